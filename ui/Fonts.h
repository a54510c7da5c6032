#pragma once

#include <QFont>
#include <QString>

namespace ui {

/// The family standing in for 宋体: SimSun where it is installed, otherwise the nearest installed CJK family, so
/// that Chinese captions render on every platform. Looked up once.
QString songtiFamily();
/// 宋体 at `points`, regular weight.
QFont songti(double points);

} // namespace ui

#include "ui/Fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace ui {

QString songtiFamily()
{
    static const QString family = [] {
        // Serif faces first: they are closest to 宋体 in look.
        const QStringList candidates = {
            QString::fromUtf8("宋体"),
            QStringLiteral("SimSun"),
            QStringLiteral("NSimSun"),
            QStringLiteral("Noto Serif CJK SC"),
            QStringLiteral("Source Han Serif SC"),
            QStringLiteral("AR PL UMing CN"),
            QStringLiteral("Noto Sans CJK SC"),
            QStringLiteral("Source Han Sans SC"),
            QStringLiteral("WenQuanYi Zen Hei"),
            QStringLiteral("WenQuanYi Micro Hei"),
            QStringLiteral("Microsoft YaHei"),
            QStringLiteral("Droid Sans Fallback"),
        };
        const QStringList installed = QFontDatabase::families();
        for (const QString& c : candidates)
            if (installed.contains(c, Qt::CaseInsensitive))
                return c;
        return QFont().family();
    }();
    return family;
}

QFont songti(double points)
{
    QFont font(songtiFamily());
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace ui

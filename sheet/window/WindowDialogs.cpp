#include "WindowDialogs.h"

#include "Application.h"
#include "DialogOwner.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace sheet {

namespace {

QString title()
{
    return QString::fromUtf8(Application::kName.data(), static_cast<qsizetype>(Application::kName.size()));
}

class QtDialogs final : public WindowDialogs {
public:
    std::optional<FileChoice> openFile(QWidget* parent) override
    {
        const QString any = QStringLiteral("表格文件 (*.xlsx *.csv)");
        const QString xlsx = QStringLiteral("Excel 工作簿 (*.xlsx)");
        const QString csv = QStringLiteral("CSV 文件，自动识别编码 (*.csv)");
        const QString gb = QStringLiteral("CSV 文件，GB18030 编码 (*.csv)");
        QFileDialog dialog(nullptr, QStringLiteral("打开"), {},
                           QStringList{any, xlsx, csv, gb}.join(QStringLiteral(";;")));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        const QString path = run(dialog, parent);
        if (path.isEmpty())
            return std::nullopt;
        const QString filter = dialog.selectedNameFilter();
        FileKind kind = FileKind::ByExtension;
        if (filter == xlsx)
            kind = FileKind::Xlsx;
        else if (filter == csv)
            kind = FileKind::Csv;
        else if (filter == gb)
            kind = FileKind::CsvGb18030;
        return FileChoice{path, kind};
    }

    std::optional<FileChoice> saveFile(QWidget* parent, const QString& suggested) override
    {
        const QString xlsx = QStringLiteral("Excel 工作簿 (*.xlsx)");
        const QString csv = QStringLiteral("CSV 文件，UTF-8 (*.csv)");
        QFileDialog dialog(nullptr, QStringLiteral("另存为"), suggested, xlsx + QStringLiteral(";;") + csv);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.selectNameFilter(suggested.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? csv : xlsx);
        const QString path = run(dialog, parent);
        if (path.isEmpty())
            return std::nullopt;
        return FileChoice{path, dialog.selectedNameFilter() == csv ? FileKind::Csv : FileKind::Xlsx};
    }

    CloseAnswer askSaveChanges(QWidget* parent, const QString& name) override
    {
        QMessageBox box(QMessageBox::Warning, title(), QStringLiteral("是否保存对“%1”的更改?").arg(name),
                        QMessageBox::NoButton);
        platform::qt::ownDialog(box, parent);
        QPushButton* save = box.addButton(QStringLiteral("保存"), QMessageBox::AcceptRole);
        QPushButton* discard = box.addButton(QStringLiteral("不保存"), QMessageBox::DestructiveRole);
        box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        box.setDefaultButton(save);
        box.exec();
        if (box.clickedButton() == save)
            return CloseAnswer::Save;
        if (box.clickedButton() == discard)
            return CloseAnswer::Discard;
        return CloseAnswer::Cancel;
    }

    bool askSaveAsInstead(QWidget* parent, const QString& message) override
    {
        QMessageBox box(QMessageBox::Warning, title(), message, QMessageBox::NoButton);
        platform::qt::ownDialog(box, parent);
        QPushButton* saveAs = box.addButton(QStringLiteral("另存为…"), QMessageBox::AcceptRole);
        box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        box.setDefaultButton(saveAs);
        box.exec();
        return box.clickedButton() == saveAs;
    }

    OverwriteAnswer askOverwrite(QWidget* parent, const QString& message) override
    {
        QMessageBox box(QMessageBox::Warning, title(), message, QMessageBox::NoButton);
        platform::qt::ownDialog(box, parent);
        QPushButton* saveAs = box.addButton(QStringLiteral("另存为…"), QMessageBox::AcceptRole);
        QPushButton* overwrite = box.addButton(QStringLiteral("仍然覆盖"), QMessageBox::DestructiveRole);
        box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        box.setDefaultButton(saveAs);
        box.exec();
        if (box.clickedButton() == saveAs)
            return OverwriteAnswer::SaveAs;
        if (box.clickedButton() == overwrite)
            return OverwriteAnswer::Overwrite;
        return OverwriteAnswer::Cancel;
    }

    RecoveryAnswer askRecover(QWidget* parent, const QString& message) override
    {
        QMessageBox box(QMessageBox::Question, title(), message, QMessageBox::NoButton);
        platform::qt::ownDialog(box, parent);
        QPushButton* recover = box.addButton(QStringLiteral("恢复"), QMessageBox::AcceptRole);
        QPushButton* discard = box.addButton(QStringLiteral("丢弃"), QMessageBox::DestructiveRole);
        box.addButton(QStringLiteral("以后再说"), QMessageBox::RejectRole);
        box.setDefaultButton(recover);
        box.exec();
        if (box.clickedButton() == recover)
            return RecoveryAnswer::Recover;
        if (box.clickedButton() == discard)
            return RecoveryAnswer::Discard;
        return RecoveryAnswer::Later;
    }

    bool confirm(QWidget* parent, const QString& message, const QString& accept) override
    {
        QMessageBox box(QMessageBox::Question, title(), message, QMessageBox::NoButton);
        platform::qt::ownDialog(box, parent);
        QPushButton* yes = box.addButton(accept, QMessageBox::AcceptRole);
        box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        box.setDefaultButton(yes);
        box.exec();
        return box.clickedButton() == yes;
    }

    void warn(QWidget* parent, const QString& message) override { show(QMessageBox::Warning, parent, message); }
    void inform(QWidget* parent, const QString& message) override { show(QMessageBox::Information, parent, message); }

private:
    static void show(QMessageBox::Icon icon, QWidget* parent, const QString& message)
    {
        QMessageBox box(icon, title(), message, QMessageBox::Ok);
        platform::qt::ownDialog(box, parent);
        box.exec();
    }

    // The chosen file, or an empty path when cancelled.
    static QString run(QFileDialog& dialog, QWidget* parent)
    {
        platform::qt::ownDialog(dialog, parent);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().front();
    }
};

WindowDialogs* g_current = nullptr;

} // namespace

WindowDialogs& WindowDialogs::current()
{
    static QtDialogs real;
    return g_current ? *g_current : real;
}

void WindowDialogs::setCurrent(WindowDialogs* dialogs)
{
    g_current = dialogs;
}

} // namespace sheet

#include "sheet/window/WindowDialogs.h"

#include "platform/qt/DialogOwner.h"
#include "sheet/document/Application.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
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
        struct Filter {
            QString text;
            FileKind kind;
            TextEncoding encoding;
        };
        const QString textFiles = QStringLiteral(" (*.csv *.tsv *.txt)");
        const auto inEncoding = [&](TextEncoding encoding, const char* note) {
            return Filter{QStringLiteral("文本文件，%1 编码%2").arg(name(encoding), QString::fromUtf8(note)) +
                              textFiles,
                          FileKind::ByExtension, encoding};
        };
        const Filter filters[] = {
            {QStringLiteral("表格文件 (*.xlsx *.xlsm *.xltx *.xltm *.csv *.tsv *.txt)"), FileKind::ByExtension,
             TextEncoding::Auto},
            {QStringLiteral("Excel 工作簿 (*.xlsx *.xlsm *.xltx *.xltm)"), FileKind::Xlsx, TextEncoding::Auto},
            {QStringLiteral("CSV 文件，自动识别编码 (*.csv)"), FileKind::Csv, TextEncoding::Auto},
            {QStringLiteral("制表符分隔的文本，自动识别编码 (*.tsv *.txt)"), FileKind::Tsv, TextEncoding::Auto},
            inEncoding(TextEncoding::Utf8, ""),
            inEncoding(TextEncoding::Gb18030, "(简体中文 Windows)"),
            inEncoding(TextEncoding::Windows1252, "(西欧语言 Windows)"),
            inEncoding(TextEncoding::Utf16Le, "(Unicode 文本)"),
            inEncoding(TextEncoding::Utf16Be, ""),
        };
        QStringList texts;
        for (const Filter& f : filters)
            texts.append(f.text);
        QFileDialog dialog(nullptr, QStringLiteral("打开"), {}, texts.join(QStringLiteral(";;")));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        const QString path = run(dialog, parent);
        if (path.isEmpty())
            return std::nullopt;
        for (const Filter& f : filters)
            if (dialog.selectedNameFilter() == f.text)
                return FileChoice{path, f.kind, f.encoding};
        return FileChoice{path, FileKind::ByExtension, TextEncoding::Auto};
    }

    std::optional<FileChoice> saveFile(QWidget* parent, const QString& suggested) override
    {
        const QString xlsx = QStringLiteral("Excel 工作簿 (*.xlsx)");
        const QString csv = QStringLiteral("CSV 文件，UTF-8 (*.csv)");
        const QString tsv = QStringLiteral("制表符分隔的文本，UTF-8 (*.tsv *.txt)");
        QFileDialog dialog(nullptr, QStringLiteral("另存为"), suggested,
                           QStringList{xlsx, csv, tsv}.join(QStringLiteral(";;")));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        const QString suffix = QFileInfo(suggested).suffix().toLower();
        dialog.selectNameFilter(suffix == QStringLiteral("csv")                                      ? csv
                                : suffix == QStringLiteral("tsv") || suffix == QStringLiteral("txt") ? tsv
                                                                                                     : xlsx);
        const QString path = run(dialog, parent);
        if (path.isEmpty())
            return std::nullopt;
        const QString filter = dialog.selectedNameFilter();
        return FileChoice{path, filter == csv ? FileKind::Csv : filter == tsv ? FileKind::Tsv : FileKind::Xlsx};
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

    bool confirm(QWidget* parent, const QString& message, const QString& action) override
    {
        QMessageBox box(QMessageBox::Warning, title(), message, QMessageBox::NoButton);
        platform::qt::ownDialog(box, parent);
        QPushButton* go = box.addButton(action, QMessageBox::AcceptRole);
        QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        // Going on changes a file for good: the safe answer is the one Enter gives.
        box.setDefaultButton(cancel);
        box.exec();
        return box.clickedButton() == go;
    }

    std::optional<TextEncoding> chooseEncoding(QWidget* parent, const QString& fileName, TextEncoding current) override
    {
        const TextEncoding encodings[] = {TextEncoding::Utf8,    TextEncoding::Gb18030, TextEncoding::Windows1252,
                                          TextEncoding::Utf16Le, TextEncoding::Utf16Be, TextEncoding::Utf32Le,
                                          TextEncoding::Utf32Be};
        QStringList names;
        int currentIndex = 0;
        for (const TextEncoding e : encodings) {
            if (e == current)
                currentIndex = static_cast<int>(names.size());
            names.append(name(e));
        }
        QInputDialog dialog;
        platform::qt::ownDialog(dialog, parent);
        dialog.setWindowTitle(title());
        dialog.setLabelText(QStringLiteral("以哪种编码重新打开“%1”?").arg(fileName));
        dialog.setComboBoxItems(names);
        dialog.setComboBoxEditable(false);
        dialog.setTextValue(names[currentIndex]);
        dialog.setOkButtonText(QStringLiteral("重新打开"));
        dialog.setCancelButtonText(QStringLiteral("取消"));
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        const auto chosen = names.indexOf(dialog.textValue());
        if (chosen < 0)
            return std::nullopt;
        return encodings[chosen];
    }

    void warn(QWidget* parent, const QString& message) override { show(QMessageBox::Warning, parent, message); }
    void inform(QWidget* parent, const QString& message) override { show(QMessageBox::Information, parent, message); }

private:
    static QString name(TextEncoding encoding)
    {
        const std::string_view text = encodingName(encoding);
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }

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

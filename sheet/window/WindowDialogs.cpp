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
        const int clicked = ask(parent, QMessageBox::Warning, QStringLiteral("是否保存对“%1”的更改?").arg(name),
                                {QStringLiteral("保存"), QStringLiteral("不保存"), QStringLiteral("取消")});
        return clicked == 0 ? CloseAnswer::Save : clicked == 1 ? CloseAnswer::Discard : CloseAnswer::Cancel;
    }

    bool askSaveAsInstead(QWidget* parent, const QString& message) override
    {
        return ask(parent, QMessageBox::Warning, message, {QStringLiteral("另存为…"), QStringLiteral("取消")}) == 0;
    }

    OverwriteAnswer askOverwrite(QWidget* parent, const QString& message) override
    {
        const int clicked = ask(parent, QMessageBox::Warning, message,
                                {QStringLiteral("另存为…"), QStringLiteral("仍然覆盖"), QStringLiteral("取消")});
        return clicked == 0   ? OverwriteAnswer::SaveAs
               : clicked == 1 ? OverwriteAnswer::Overwrite
                              : OverwriteAnswer::Cancel;
    }

    RecoveryAnswer askRecover(QWidget* parent, const QString& message) override
    {
        const int clicked = ask(parent, QMessageBox::Question, message,
                                {QStringLiteral("恢复"), QStringLiteral("丢弃"), QStringLiteral("以后再说")});
        return clicked == 0 ? RecoveryAnswer::Recover : clicked == 1 ? RecoveryAnswer::Discard : RecoveryAnswer::Later;
    }

    bool confirm(QWidget* parent, const QString& message, const QString& action) override
    {
        // Going on changes a file for good: the safe answer is the one Enter gives.
        return ask(parent, QMessageBox::Warning, message, {action, QStringLiteral("取消")}, 1) == 0;
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

    // A box of two or three buttons: go on (the default unless `preferred` says otherwise), the other way when
    // there are three, and back out (Escape). Returns the index of the button clicked, -1 for none.
    static int ask(QWidget* parent, QMessageBox::Icon icon, const QString& message, const QStringList& buttons,
                   int preferred = 0)
    {
        QMessageBox box(icon, title(), message, QMessageBox::NoButton);
        platform::qt::ownDialog(box, parent);
        const QMessageBox::ButtonRole roles[] = {QMessageBox::AcceptRole, QMessageBox::DestructiveRole};
        QList<QAbstractButton*> added;
        for (qsizetype i = 0; i < buttons.size(); ++i)
            added.append(box.addButton(buttons[i], i + 1 == buttons.size() ? QMessageBox::RejectRole : roles[i]));
        box.setDefaultButton(qobject_cast<QPushButton*>(added[preferred]));
        box.exec();
        return static_cast<int>(added.indexOf(box.clickedButton()));
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

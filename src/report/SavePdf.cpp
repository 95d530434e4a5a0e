#include "report/SavePdf.h"

#include "base/Errors.h"
#include "engine/PageStore.h"
#include "engine/ReportPrinter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

SavePdf::AskHook& askHook()
{
    static SavePdf::AskHook hook;
    return hook;
}

QString& lastPdfFolder()
{
    static QString folder = QDir::homePath();
    return folder;
}

// The texts keep the context of the preview window that asks.
QString ask(QWidget* parent, const QString& name)
{
    if (askHook())
        return askHook()(parent, QDir(lastPdfFolder()).filePath(name));
    QFileDialog dialog(parent, QCoreApplication::translate("TRptPreviewFrm", "Save as PDF"),
                       lastPdfFolder(),
                       QCoreApplication::translate("TRptPreviewFrm", "PDF files (*.pdf)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.selectFile(name);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        return dialog.selectedFiles().constFirst();
    return {};
}

} // namespace

void SavePdf::setAskHook(AskHook hook)
{
    askHook() = std::move(hook);
}

QString SavePdf::fileNameFor(const QString& title)
{
    QString name = title.simplified();
    for (QChar& c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || !c.isPrint())
            c = QLatin1Char('-');
    }
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("Typovex");
    return name + QStringLiteral(".pdf");
}

void SavePdf::save(QWidget* parent, const PageStore& store)
{
    const QString path = ask(parent, fileNameFor(store.title()));
    if (path.isEmpty())
        return;
    QString error;
    ReportPrinter::savePdf(store, path, 0, &error);
    if (!error.isEmpty())
        throw TypovexError(
            QCoreApplication::translate("TRptPreviewFrm", "Could not save \"%1\": %2")
                .arg(path, error));
    lastPdfFolder() = QFileInfo(path).absolutePath();
}

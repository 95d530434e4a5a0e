#pragma once

#include "tools/FontToolDialog.h"

#include <QStringList>

#include <functional>
#include <memory>

class QFileDialog;
class QImage;

namespace Ui {
class TdlgJPEGExport;
}

// The sample image export: one line of text in a chosen face, size and style, written to a BMP
// or JPEG file. Created once at start and reused, so its text, size, style and image kind last
// for the run; the dialog stays open after every export.
class TdlgJPEGExport : public FontToolDialog
{
    Q_OBJECT
public:
    explicit TdlgJPEGExport(QWidget* parent = nullptr);
    ~TdlgJPEGExport() override;

    // Shows the face's name and the sample in it; the first time, with the first sample text.
    void PrepareForFont(const QString& face) override;

    void bExportClick();

    // What the save-file dialog is asked; tests answer it through the hook below.
    struct SaveRequest
    {
        QStringList filters;
        QString selectedFilter;
        QString defaultSuffix;
    };
    // While a hook is set, bExportClick asks it instead of showing the save-file dialog; an
    // empty answer counts as cancelling.
    using SaveDialogHook = std::function<QString(const SaveRequest& request)>;
    static void setSaveDialogHook(SaveDialogHook hook);

    // The sample text drawn in the font: exactly as wide and high as the text's extent, the
    // window-text colour on white. A null image for an empty text, which no format can hold.
    static QImage renderSample(const QFont& font, const QString& text);
    // ".jpg" and ".jpeg" in any letter case, after the last folder separator.
    static bool isJpegName(const QString& path);
    // Writes the image under the path, as JPEG or BMP by the name alone. The file is replaced
    // whole or not at all: a failure leaves an existing file as it was and no partial file.
    static bool saveImage(const QImage& image, const QString& path);

    QFileDialog* saveDialog() const { return m_saveDialog; }

private:
    void updateSampleFont();
    QString askForPath();

    std::unique_ptr<Ui::TdlgJPEGExport> m_ui;
    QFileDialog* m_saveDialog = nullptr;
};

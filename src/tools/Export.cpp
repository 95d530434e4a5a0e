#include "tools/Export.h"

#include "base/Guarded.h"
#include "base/Messages.h"
#include "fontservices/FontServices.h"
#include "tools/BmpWriter.h"
#include "tools/JpegWriter.h"
#include "ui_Export.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QScreen>

namespace {

const char* const firstText = QT_TRANSLATE_NOOP("TdlgJPEGExport", "Hello");

QStringList saveFilters()
{
    return {
        TdlgJPEGExport::tr("All (*.jpg;*.jpeg;*.bmp)"),
        TdlgJPEGExport::tr("JPEG Image File (*.jpg;*.jpeg)"),
        TdlgJPEGExport::tr("Bitmaps (*.bmp)"),
    };
}
constexpr int bitmapItem = 0;

TdlgJPEGExport::SaveDialogHook& saveDialogHook()
{
    static TdlgJPEGExport::SaveDialogHook hook;
    return hook;
}

int screenDpi()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInchY()) : 96;
}

} // namespace

TdlgJPEGExport::TdlgJPEGExport(QWidget* parent)
    : FontToolDialog(parent), m_ui(std::make_unique<Ui::TdlgJPEGExport>())
{
    m_ui->setupUi(this);
    setFixedSize(size());

    m_saveDialog = new QFileDialog(this);
    m_saveDialog->setObjectName(QStringLiteral("SavePictureDialog1"));
    m_saveDialog->setAcceptMode(QFileDialog::AcceptSave);
    m_saveDialog->setFileMode(QFileDialog::AnyFile);
    m_saveDialog->setNameFilters(saveFilters());
    // An existing file is replaced without a question; the folder must exist, which a save
    // dialog of Qt's insists on anyway.
    m_saveDialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    m_saveDialog->setSizeGripEnabled(true);

    connectGuarded(m_ui->bExport, &QPushButton::clicked, this, &TdlgJPEGExport::bExportClick);
    connectGuarded(m_ui->styleBlock, &StyleBlock::changed, this, &TdlgJPEGExport::updateSampleFont);
    connect(m_ui->bClose, &QPushButton::clicked, this, &QDialog::reject);
}

TdlgJPEGExport::~TdlgJPEGExport() = default;

void TdlgJPEGExport::setSaveDialogHook(SaveDialogHook hook)
{
    saveDialogHook() = std::move(hook);
}

void TdlgJPEGExport::PrepareForFont(const QString& face)
{
    m_ui->lblFontName->setText(face);
    updateSampleFont();
    if (m_ui->eSample->text().isEmpty())
        m_ui->eSample->setText(tr(firstText));
}

void TdlgJPEGExport::updateSampleFont()
{
    m_ui->eSample->setFont(m_ui->styleBlock->fontFor(m_ui->lblFontName->text()));
}

QString TdlgJPEGExport::askForPath()
{
    const QStringList filters = saveFilters();
    const SaveRequest request{filters, filters.first(), m_saveDialog->defaultSuffix()};
    if (saveDialogHook())
        return saveDialogHook()(request);
    m_saveDialog->selectNameFilter(request.selectedFilter);
    if (m_saveDialog->exec() != QDialog::Accepted)
        return {};
    return m_saveDialog->selectedFiles().value(0);
}

void TdlgJPEGExport::bExportClick()
{
    // The image kind only proposes the extension; the name chosen decides the format.
    m_saveDialog->setDefaultSuffix(m_ui->rgExportAs->itemIndex() == bitmapItem
                                       ? QStringLiteral("bmp")
                                       : QStringLiteral("jpg"));
    const QString path = askForPath();
    if (path.isEmpty())
        return;
    const QImage image = renderSample(m_ui->eSample->font(), m_ui->eSample->text());
    if (!saveImage(image, path))
        Messages::showMessage(tr("Could not save to %1").arg(path));
}

QImage TdlgJPEGExport::renderSample(const QFont& font, const QString& text)
{
    // The image has the screen's resolution, so that the font measures as it does on screen.
    const int dotsPerMeter = qRound(screenDpi() / 0.0254);
    QImage probe(1, 1, QImage::Format_RGB32);
    probe.setDotsPerMeterX(dotsPerMeter);
    probe.setDotsPerMeterY(dotsPerMeter);
    const QSize extent = FontServices::measureText(font, text, &probe);
    if (extent.width() <= 0 || extent.height() <= 0)
        return {};
    QImage image(extent, QImage::Format_RGB32);
    if (image.isNull()) // too large to hold in memory
        return {};
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    // The ground is always white: a dark theme's light window text would all but vanish on it.
    QColor ink = QGuiApplication::palette().color(QPalette::WindowText);
    if (ink.lightness() > 128)
        ink = Qt::black;
    painter.setPen(ink);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Qt::white);
    FontServices::drawText(painter, QPoint(0, 0), text);
    return image;
}

bool TdlgJPEGExport::isJpegName(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString lower = dot < 0 ? QString() : name.mid(dot).toLower();
    return lower == QLatin1String(".jpg") || lower == QLatin1String(".jpeg");
}

bool TdlgJPEGExport::saveImage(const QImage& image, const QString& path)
{
    if (image.isNull())
        return false;
    const QByteArray data = isJpegName(path) ? JpegWriter::encode(image) : BmpWriter::encode(image);
    if (data.isEmpty())
        return false;
    // Written beside the target and renamed over it only when complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        // A folder that takes no new file has no room for that: a writable file of that name is
        // then overwritten in place, as a plain save would. Only a regular file: a pipe or a
        // device of that name would block the window or swallow the picture.
        if (!QFileInfo(path).isFile())
            return false;
        QFile existing(path);
        if (!existing.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::ExistingOnly))
            return false;
        return existing.write(data) == data.size() && existing.flush();
    }
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        file.commit();
        return false;
    }
    return file.commit();
}

#include "report/Report.h"

#include "engine/PageStore.h"
#include "fontservices/FontServices.h"
#include "fontservices/ScriptSample.h"
#include "report/QRPreview.h"

#include <QLocale>

namespace {

constexpr Qt::Edges allSides = Qt::TopEdge | Qt::BottomEdge | Qt::LeftEdge | Qt::RightEdge;

// The design height of the detail labels.
constexpr int detailLabelHeight = 17;

void placeLabel(ReportLabel* label, int left, int top, int width, int height,
                Qt::Alignment alignment, bool autoSize, bool wordWrap, bool autoStretch)
{
    label->setLeft(left);
    label->setTop(top);
    label->setWidth(width);
    label->setHeight(height);
    label->setAlignment(alignment);
    label->setWordWrap(wordWrap);
    label->setAutoStretch(autoStretch);
    label->setAutoSize(autoSize);
}

QFont fontOf(const QString& face, int size, bool bold, bool italic, bool underline, bool strikeout)
{
    // An empty face (no entry chosen) keeps the design face.
    return FontServices::fontFor(face.isEmpty() ? QStringLiteral("Arial") : face, size, bold,
                                 italic, underline, strikeout);
}

PageSetup::Paper paperOf(int index, PageSetup::Paper design)
{
    // The paper group's entries in order; no entry chosen keeps the design's paper.
    constexpr PageSetup::Paper papers[] = {PageSetup::Paper::A4, PageSetup::Paper::A3,
                                           PageSetup::Paper::Letter, PageSetup::Paper::B5};
    return index >= 0 && index < int(std::size(papers)) ? papers[index] : design;
}

// A margin text in the report's units; a text that is no number leaves the margin as it was.
void readMargin(const QString& text, double& margin)
{
    bool ok = false;
    const double value = QLocale().toDouble(text.trimmed(), &ok);
    if (ok)
        margin = value;
}

} // namespace

TfrmReport::TfrmReport(ListingSettings settings, QObject* parent)
    : TfrmReport([fixed = std::move(settings)] { return fixed; }, parent)
{}

TfrmReport::TfrmReport(SettingsSource settings, QObject* parent)
    : QObject(parent), m_source(std::move(settings))
{
    designState();
    qrFontRpt.beforePrint = [this] { qrFontRptBeforePrint(); };
    qrFontRpt.onNeedData = [this] { return qrFontRptNeedData(); };
    qrFontRpt.onEndPage = [this] { qrFontRptEndPage(); };
    qrFontRpt.afterPrint = [this] { qrFontRptAfterPrint(); };
    qrFontRpt.onPreview = [this](PageStore& store) { qrFontRptPreview(store); };
}

TfrmReport::~TfrmReport() = default;

void TfrmReport::designState()
{
    const QFont base =
        FontServices::fontFor(QStringLiteral("Arial"), 10, false, false, false, false);
    qbTitle->setFrame({});
    qbDetail->setFrame({});
    qbHeader->setFrame(allSides);
    qbFooter->setFrame(allSides);

    const Qt::Alignment left = Qt::AlignLeft;
    const Qt::Alignment right = Qt::AlignRight;
    qrlTitle = qbTitle->addLabel();
    qrlHeader = qbHeader->addLabel();
    qrlFontInfo = qbHeader->addLabel();
    qrlFontName1 = qbDetail->addLabel();
    qrlText1 = qbDetail->addLabel();
    qrlFontName2 = qbDetail->addLabel();
    qrlText2 = qbDetail->addLabel();
    sdDateTime = qbFooter->addLabel(ReportLabel::SystemData::DateTime);
    sdPageNo = qbFooter->addLabel(ReportLabel::SystemData::PageNumber);
    for (ReportBand* band : {qbTitle, qbHeader, qbDetail, qbFooter}) {
        for (const auto& label : band->labels())
            label->setFont(base);
    }
    placeLabel(qrlTitle, 4, 4, 0, 12, left, true, true, false);
    placeLabel(qrlHeader, 4, 4, 0, 12, left, true, true, false);
    placeLabel(qrlFontInfo, 0, 4, 0, 12, right, true, false, false);
    placeLabel(qrlFontName1, 4, 2, 222, detailLabelHeight, left, false, false, false);
    placeLabel(qrlText1, 228, 2, 486, detailLabelHeight, left, false, true, true);
    placeLabel(qrlFontName2, 355, 2, 228, detailLabelHeight, left, false, false, false);
    placeLabel(qrlText2, 587, 2, 125, detailLabelHeight, left, false, true, true);
    placeLabel(sdDateTime, 4, 4, 0, 12, left, true, false, false);
    placeLabel(sdPageNo, 0, 4, 0, 12, right, true, false, false);
}

ReportEngine::PrintResult TfrmReport::print()
{
    return ReportEngine::print(qrFontRpt, QStringLiteral("Typovex"));
}

ReportEngine::PrintResult TfrmReport::printToPdf(const QString& path)
{
    return ReportEngine::printToPdf(qrFontRpt, path);
}

void TfrmReport::preview(TRptPreviewFrm& window)
{
    m_preview = &window;
    ReportEngine::preview(qrFontRpt);
    m_preview = nullptr;
}

QString TfrmReport::ExpandMessage(const QString& message, const QString& face)
{
    QString out;
    out.reserve(message.size() + face.size());
    for (qsizetype i = 0; i < message.size(); ++i) {
        const QChar c = message[i];
        if (c == QLatin1Char('%') && i + 1 < message.size()) {
            const QChar next = message[i + 1];
            if (next == QLatin1Char('f')) {
                out += face;
                ++i;
                continue;
            }
            if (next == QLatin1Char('F')) {
                // Only a to z become capitals; accented letters stay as they are.
                for (QChar f : face)
                    out += f >= QLatin1Char('a') && f <= QLatin1Char('z')
                               ? QChar(f.unicode() - 'a' + 'A')
                               : f;
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

QString TfrmReport::characteristicsText(int pointSize, bool bold, bool italic, bool underline,
                                        bool strikeout)
{
    QString text = tr("Size %1").arg(pointSize);
    if (bold)
        text += tr(", bold");
    if (italic)
        text += tr(", italic");
    if (underline)
        text += tr(", underline");
    if (strikeout)
        text += tr(", strikeout");
    return text;
}

QFont TfrmReport::sampleFont(const QString& face) const
{
    QFont font =
        FontServices::fontFor(face, m_settings.PointSize, m_settings.Bold, m_settings.Italic,
                              m_settings.Underline, m_settings.Strikeout);
    // Each sample in its own glyphs: a face without a character shows its own missing-glyph
    // mark, never another font's glyph under its name.
    font.setStyleStrategy(QFont::NoFontMerging);
    return font;
}

QString TfrmReport::sampleText(const QString& face, const QFont& font) const
{
    const QString message = ExpandMessage(face);
    if (!m_settings.ScriptSamples)
        return message;
    // A face that cannot show the message shows its own script instead of missing-glyph marks.
    // The shaper's own opening of the face answers, which it then shapes the sample with.
    const FaceFile file = FontServices::faceFileFor(font);
    return ScriptSample::sampleFor(file, message);
}

void TfrmReport::qrFontRptBeforePrint()
{
    m_settings = m_source();
    const ListingSettings& s = m_settings;
    PageSetup& setup = qrFontRpt.setup;

    qbDetail->setHeight(24);
    setup.paper = paperOf(s.PaperSize, setup.paper);
    setup.units = s.Units == 0 ? PageSetup::Units::MM : PageSetup::Units::Inches;
    // A margin left as it was stays at the design's 10 mm whatever the units.
    const double designMargin = setup.units == PageSetup::Units::MM ? 10.0 : 10.0 / 25.4;
    setup.top = setup.bottom = setup.left = setup.right = designMargin;
    readMargin(s.Top, setup.top);
    readMargin(s.Bottom, setup.bottom);
    readMargin(s.Left, setup.left);
    readMargin(s.Right, setup.right);

    const QFont sample = sampleFont(QStringLiteral("Arial"));
    qrlText1->setFont(sample);
    qrlText2->setFont(sample);
    qrlFontInfo->setText(
        characteristicsText(s.PointSize, s.Bold, s.Italic, s.Underline, s.Strikeout));

    sdDateTime->setEnabled(s.DateTime);
    sdPageNo->setEnabled(s.PageNo);
    qbFooter->setEnabled(s.DateTime || s.PageNo);
    setup.printerIndex = s.PrinterIndex;
    setup.orientation =
        s.Orientation == 0 ? PageSetup::Orientation::Portrait : PageSetup::Orientation::Landscape;

    const Qt::Edges frame = s.UseBorders ? allSides : Qt::Edges();
    qrlText1->setFrame(frame);
    qrlText2->setFrame(frame);

    const int W = qrFontRpt.bandWidth();
    qrlFontInfo->setLeft(W - 8 - qrlFontInfo->width());
    sdPageNo->setLeft(W - 8 - sdPageNo->width());

    qrlFontName1->setLeft(4);
    for (ReportLabel* label : {qrlFontName1, qrlText1, qrlFontName2, qrlText2})
        label->setTop(2);
    qrlFontName2->setLeft((W - 8) / 2);
    qrlFontName1->setEnabled(s.FontName);
    qrlFontName2->setEnabled(s.FontName);
    qrlText1->setLeft(s.FontName ? 228 : 4);
    qrlText2->setLeft(qrlFontName2->left() + (s.FontName ? 232 : 0));
    if (s.Columns != 0) {
        qrlText2->setEnabled(true);
        qrlText1->setWidth((W - 4) / 2 - qrlText1->left() - 4);
        qrlText2->setWidth(qrlText1->width());
        qrlFontName2->setWidth(s.FontName ? qrlText2->left() - qrlFontName2->left() - 4 : 0);
    } else {
        qrlFontName2->setEnabled(false);
        qrlText2->setEnabled(false);
        qrlText1->setWidth(W - qrlText1->left() - 4);
    }
    qrlFontName1->setWidth(s.FontName ? qrlText1->left() - qrlFontName1->left() - 2 : 0);

    qbTitle->setEnabled(s.DisplayTitle);
    qrlTitle->setText(s.TitleText);
    qrFontRpt.documentTitle = s.TitleText;
    qbHeader->setEnabled(s.DisplayHeader && !s.SuppressHeader);
    qrlHeader->setText(s.HeaderText);

    qrlTitle->setFont(
        fontOf(s.RTFontName, s.RTFontSize, s.RTBold, s.RTItalic, s.RTUnderline, s.RTStrikeout));
    qbTitle->setHeight(qrlTitle->height() + 8);
    const QFont header =
        fontOf(s.HFontName, s.HFontSize, s.HBold, s.HItalic, s.HUnderline, s.HStrikeout);
    qrlHeader->setFont(header);
    qrlFontInfo->setFont(header);
    qbHeader->setHeight(qrlHeader->height() + 8);
    const QFont footer =
        fontOf(s.FFontName, s.FFontSize, s.FBold, s.FItalic, s.FUnderline, s.FStrikeout);
    sdDateTime->setFont(footer);
    sdPageNo->setFont(footer);
    qbFooter->setHeight(sdPageNo->height() + 8);

    qrlFontInfo->setEnabled(s.ListChars);
    setup.firstPage = s.FirstPage;

    m_printCursor = 0;
    m_printList = s.Fonts;
}

bool TfrmReport::qrFontRptNeedData()
{
    const ListingSettings& s = m_settings;
    if (m_printCursor >= m_printList.size()) {
        if (m_preview)
            m_preview->HideProgress();
        return false;
    }
    // Each row starts from the design height, so that one tall face does not make every later
    // row tall.
    qrlText1->setHeight(detailLabelHeight);
    qrlText2->setHeight(detailLabelHeight);

    const QString& first = m_printList[m_printCursor];
    qrlText1->setFont(sampleFont(first));
    qrlText1->setText(sampleText(first, qrlText1->font()));
    qrlText1->setBookmark(first);
    if (s.FontName)
        qrlFontName1->setText(first);
    if (s.FontName && qrlText1->height() < qrlFontName1->height())
        qbDetail->setHeight(qrlFontName1->height() + 4);
    else
        qbDetail->setHeight(qrlText1->height() + 4);
    ++m_printCursor;

    // Any value but 0 lays out two columns, so it also fills them.
    if (s.Columns != 0) {
        if (m_printCursor < m_printList.size()) {
            const QString& second = m_printList[m_printCursor];
            qrlText2->setFont(sampleFont(second));
            qrlText2->setText(sampleText(second, qrlText2->font()));
            qrlText2->setBookmark(second);
            if (s.FontName)
                qrlFontName2->setText(second);
            if (qrlText2->height() + 4 > qbDetail->height())
                qbDetail->setHeight(qrlText2->height() + 4);
            ++m_printCursor;
        } else {
            // Nothing left for the right column: it must not repeat the previous band's font.
            qrlText2->setText(QString());
            qrlText2->setBookmark(QString());
            qrlFontName2->setText(QString());
            qrlText2->setEnabled(false);
        }
    }
    setProgress(int(qint64(m_printCursor) * 100 / m_printList.size()));
    return true;
}

void TfrmReport::setProgress(int percent)
{
    if (m_preview)
        m_preview->setProgress(percent);
}

void TfrmReport::qrFontRptEndPage()
{
    qbHeader->setEnabled(m_settings.DisplayHeader);
}

void TfrmReport::qrFontRptAfterPrint()
{
    m_printList.clear();
}

void TfrmReport::qrFontRptPreview(PageStore& store)
{
    if (m_preview)
        m_preview->showRun(store);
}

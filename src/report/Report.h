#pragma once

#include "engine/ReportEngine.h"
#include "engine/ReportModel.h"
#include "settings/ListingSettings.h"

#include <functional>
#include <QFont>
#include <QObject>

class TRptPreviewFrm;

// The host of the font listing report qrFontRpt: a fresh one for every run, never shown,
// destroyed when the run returns. It turns the listing settings and the ticked fonts into the
// report's set-up, bands and labels, and feeds the fonts to the engine one detail band at a time.
class TfrmReport : public QObject
{
    Q_OBJECT
public:
    // Gives the settings and the faces of a run; asked once, when the run starts.
    using SettingsSource = std::function<ListingSettings()>;

    explicit TfrmReport(SettingsSource settings, QObject* parent = nullptr);
    // A run of fixed settings.
    explicit TfrmReport(ListingSettings settings, QObject* parent = nullptr);
    ~TfrmReport() override;

    // A print run to the chosen printer; pages before FirstPage are laid out, not sent.
    ReportEngine::PrintResult print();
    // A print run into a PDF file instead of a printer.
    ReportEngine::PrintResult printToPdf(const QString& path);
    // A preview run in `window`; returns when that window has been closed.
    void preview(TRptPreviewFrm& window);

    // The handlers bound to qrFontRpt.
    void qrFontRptBeforePrint();
    bool qrFontRptNeedData();
    void qrFontRptEndPage();
    void qrFontRptAfterPrint();
    void qrFontRptPreview(PageStore& store);

    // The message with "%f" replaced by the face name and "%F" by the name in capitals.
    static QString ExpandMessage(const QString& message, const QString& face);
    QString ExpandMessage(const QString& face) const
    {
        return ExpandMessage(m_settings.Message, face);
    }
    // "Size 12, bold, italic": the characteristics text of the page header.
    static QString characteristicsText(int pointSize, bool bold, bool italic, bool underline,
                                       bool strikeout);

    ReportModel qrFontRpt;
    ReportBand* const qbTitle = &qrFontRpt.title;
    ReportBand* const qbHeader = &qrFontRpt.pageHeader;
    ReportBand* const qbDetail = &qrFontRpt.detail;
    ReportBand* const qbFooter = &qrFontRpt.pageFooter;
    ReportLabel* qrlTitle = nullptr;
    ReportLabel* qrlHeader = nullptr;
    ReportLabel* qrlFontInfo = nullptr;
    ReportLabel* qrlFontName1 = nullptr;
    ReportLabel* qrlText1 = nullptr;
    ReportLabel* qrlFontName2 = nullptr;
    ReportLabel* qrlText2 = nullptr;
    ReportLabel* sdDateTime = nullptr;
    ReportLabel* sdPageNo = nullptr;

    const QStringList& PrintList() const { return m_printList; }
    int PrintCursor() const { return m_printCursor; }
    const ListingSettings& settings() const { return m_settings; }

private:
    void designState();
    QFont sampleFont(const QString& face) const;
    // What a sample label shows: the expanded message, or with ScriptSamples set and a face that
    // cannot draw it, a line in the face's own script.
    QString sampleText(const QString& face, const QFont& font) const;
    void setProgress(int percent);

    SettingsSource m_source;
    ListingSettings m_settings;
    QStringList m_printList;
    int m_printCursor = 0;
    // The preview window, in preview runs only: a print run never disturbs an open preview.
    TRptPreviewFrm* m_preview = nullptr;
};

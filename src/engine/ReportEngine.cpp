#include "engine/ReportEngine.h"

#include "engine/PageStore.h"
#include "engine/ReportModel.h"
#include "engine/ReportPrinter.h"
#include "engine/TextLayout.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QLocale>

namespace ReportEngine {

namespace {

class Generator
{
public:
    Generator(ReportModel& report, PageStore& store) : m_report(report), m_store(store)
    {
        const QLocale locale = QLocale::system();
        const QDateTime now = QDateTime::currentDateTime();
        m_dateTime = locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                     locale.toString(now.time(), QLocale::LongFormat);
    }

    void run()
    {
        while (true) {
            QCoreApplication::processEvents();
            if (m_store.wasDetached())
                break;
            if (!m_report.onNeedData || !m_report.onNeedData())
                break;
            const int height = stretchedHeight(m_report.detail);
            if (!m_open) {
                startPage();
            } else if (m_y + height > m_footerTop && m_y > m_firstDetailY) {
                endPage(false);
                startPage();
            }
            placeBand(m_report.detail, height);
        }
        if (m_open)
            endPage(true);
        m_store.finish();
    }

private:
    static QString textOf(const ReportLabel& label, const QString& dateTime, int page)
    {
        return label.printedText(dateTime, page);
    }

    // The band's height at print time: a stretching label that needs more lines than it has
    // grows the band by the difference.
    int stretchedHeight(const ReportBand& band) const
    {
        int height = band.height();
        for (const auto& label : band.labels()) {
            if (!label->isEnabled() || !label->autoStretch())
                continue;
            const int needed = label->neededHeight(textOf(*label, m_dateTime, m_page));
            if (needed > label->height())
                height = qMax(height, band.height() + needed - label->height());
        }
        return height;
    }

    void startPage()
    {
        ++m_page;
        m_current = RecordedPage{m_page, {}, {}};
        m_open = true;
        m_y = m_report.setup.topMargin();
        const ReportBand& header = m_report.pageHeader;
        if (header.isEnabled() && (m_page > 1 || m_report.headerOnFirstPage))
            placeBand(header, header.height());
        if (m_page == 1 && m_report.title.isEnabled())
            placeBand(m_report.title, m_report.title.height());
        m_firstDetailY = m_y;
        const ReportBand& footer = m_report.pageFooter;
        m_footerTop = m_report.setup.pageSize().height() - m_report.setup.bottomMargin() -
                      (footer.isEnabled() ? footer.height() : 0);
    }

    void endPage(bool last)
    {
        const ReportBand& footer = m_report.pageFooter;
        if (footer.isEnabled() && (!last || m_report.footerOnLastPage)) {
            m_y = m_footerTop;
            placeBand(footer, footer.height());
        }
        m_store.addPage(std::move(m_current));
        m_current = {};
        m_open = false;
        if (m_report.onEndPage)
            m_report.onEndPage();
    }

    void placeBand(const ReportBand& band, int height)
    {
        const int left = m_report.setup.leftMargin();
        const int width = m_report.bandWidth();
        const int growth = height - band.height();
        for (const auto& label : band.labels()) {
            if (!label->isEnabled())
                continue;
            const QString text = textOf(*label, m_dateTime, m_page);
            QRect rect = label->geometry();
            if (label->autoSize()) {
                const int textWidth = label->textWidth(text);
                if (label->alignment() & Qt::AlignRight)
                    rect.setLeft(rect.right() + 1 - textWidth);
                rect.setWidth(textWidth);
            }
            if (label->autoStretch())
                rect.setHeight(label->height() + qMax(0, growth));
            rect.translate(left, m_y);
            if (!text.isEmpty()) {
                PageItem item;
                item.rect = rect;
                item.text = text;
                item.font = label->layoutFont();
                item.flags = int(label->alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignTop |
                             // An auto-size label is as wide as its longest line already;
                             // wrapping it would break lines on rounding alone.
                             (label->wordWrap() && !label->autoSize() ? Qt::TextWordWrap : 0);
                // Shaped once here; measuring the band shaped the same text already, and the
                // shaper keeps its recent layouts.
                item.layout =
                    TextShaper::layOut(item.font, item.text, item.rect.width(), item.flags);
                m_current.items.push_back(std::move(item));
            }
            if (!label->bookmark().isEmpty())
                m_current.bookmarks.push_back({label->bookmark(), rect.topLeft()});
            if (label->frame())
                m_current.items.push_back(frameItem(rect, label->frame()));
        }
        if (band.frame())
            m_current.items.push_back(frameItem(QRect(left, m_y, width, height), band.frame()));
        m_y += height;
    }

    static PageItem frameItem(const QRect& rect, Qt::Edges sides)
    {
        PageItem item;
        item.kind = PageItem::Kind::Frame;
        item.rect = rect;
        item.sides = sides;
        return item;
    }

    ReportModel& m_report;
    PageStore& m_store;
    QString m_dateTime;
    RecordedPage m_current;
    int m_page = 0;
    int m_y = 0;
    int m_firstDetailY = 0;
    int m_footerTop = 0;
    bool m_open = false;
};

PrintResult runToDevice(ReportModel& report,
                        const std::function<PrintResult(const PageStore&)>& send)
{
    if (report.beforePrint)
        report.beforePrint();
    PageStore store(report.setup.pageSize());
    store.setTitle(report.documentTitle);
    generate(report, store);
    PrintResult result = send(store);
    if (report.afterPrint)
        report.afterPrint();
    return result;
}

} // namespace

void generate(ReportModel& report, PageStore& store)
{
    Generator(report, store).run();
}

void preview(ReportModel& report)
{
    if (report.beforePrint)
        report.beforePrint();
    PageStore store(report.setup.pageSize());
    store.setTitle(report.documentTitle);
    if (report.onPreview)
        report.onPreview(store);
    generate(report, store);
    if (store.isAttached()) {
        QEventLoop loop;
        QObject::connect(&store, &PageStore::detached, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

PrintResult print(ReportModel& report, const QString& jobTitle)
{
    if (ReportPrinter::printerName(-1).isEmpty())
        return {PrintResult::Status::NoPrinter, {}, 0};
    return runToDevice(report, [&](const PageStore& store) {
        // Resolved only now: beforePrint is what copies the chosen printer into the set-up.
        const QString printer = ReportPrinter::printerName(report.setup.printerIndex);
        if (printer.isEmpty())
            return PrintResult{PrintResult::Status::NoPrinter, {}, 0};
        return ReportPrinter::print(store, report.setup, printer, jobTitle);
    });
}

PrintResult printToPdf(ReportModel& report, const QString& path)
{
    return runToDevice(report, [&](const PageStore& store) {
        PrintResult result;
        QString error;
        result.pagesSent = ReportPrinter::savePdf(store, path, report.setup.firstPage, &error);
        if (!error.isEmpty())
            result = {PrintResult::Status::Failed, error, 0};
        return result;
    });
}

} // namespace ReportEngine

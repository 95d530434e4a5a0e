#pragma once

#include "engine/PageSetup.h"
#include "engine/ReportBand.h"

#include <functional>
#include <QString>

class PageStore;

// A banded report: page set-up, its four bands and the events through which a client feeds it.
// Plain data; ReportEngine runs it.
class ReportModel
{
public:
    ReportModel();

    PageSetup setup;
    ReportBand title{ReportBand::Kind::Title};
    ReportBand pageHeader{ReportBand::Kind::PageHeader};
    ReportBand detail{ReportBand::Kind::Detail};
    ReportBand pageFooter{ReportBand::Kind::PageFooter};

    // The page header on the first page and the page footer on the last page too.
    bool headerOnFirstPage = true;
    bool footerOnLastPage = true;

    // The title of the document a run makes, for the files it is saved in.
    QString documentTitle;

    // Events, in run order. beforePrint: once before anything else. onPreview: in a preview run,
    // before generation; the client attaches the store to its preview control. onNeedData: before
    // the first detail band and after each one; true prints a detail band with the labels as the
    // client left them, false ends the data. onEndPage: after each page. afterPrint: when a print
    // run has finished.
    std::function<void()> beforePrint;
    std::function<void(PageStore&)> onPreview;
    std::function<bool()> onNeedData;
    std::function<void()> onEndPage;
    std::function<void()> afterPrint;

    // The band width after any set-up change.
    int bandWidth() const { return setup.bandWidth(); }
};

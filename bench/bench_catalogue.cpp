// The whole installed font set as a PDF catalogue from the command line: typovex-catalogue with
// the default settings, against the two usual ways of doing that job in a script:
//
//   - a text renderer called once per page: pango-view (Debian package pango1.0-tools) renders
//     each page's rows, a name and a sample per font, to a PDF of its own, and qpdf (package
//     qpdf) merges the pages into one document;
//   - plain Qt drawing: a fresh QFont per row, without font merging, into a QPdfWriter.
//
// Both peers list the very faces typovex-catalogue listed (read back from its outline) with as
// many rows per page. Each contestant runs as a child of this program, in rounds that take them
// in turn (one warm-up round, then BENCH_ROUNDS, 3 unless set); the figures are medians: wall
// seconds, pages, and peak memory, the largest resident size of any process of the contestant
// (for the renderer, the largest of its many processes).
//
// Usage: bench_catalogue [path of typovex-catalogue]; by default the one beside this program's
// build folder.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

long peakOfSelfAndChildrenKb()
{
    rusage self{};
    rusage children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    return std::max(self.ru_maxrss, children.ru_maxrss);
}

bool runTool(const QString& program, const QStringList& args, QByteArray* out = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(out ? QProcess::SeparateChannels : QProcess::ForwardedErrorChannel);
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     p.readAllStandardError().constData());
        return false;
    }
    if (out)
        *out = p.readAllStandardOutput();
    return true;
}

int pdfPages(const QString& pdf)
{
    QByteArray out;
    if (!runTool(QStringLiteral("qpdf"), {QStringLiteral("--show-npages"), pdf}, &out))
        return -1;
    return out.trimmed().toInt();
}

// The children. Each prints "pages N" and "peak KB" as its last lines.

int childTypovex(const QString& binary, const QString& pdf)
{
    if (!runTool(binary, {QStringLiteral("--quiet"), QStringLiteral("--pdf"), pdf}))
        return 1;
    std::printf("pages %d\npeak %ld\n", pdfPages(pdf), peakOfSelfAndChildrenKb());
    return 0;
}

QStringList readFaces(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

int childRenderer(const QStringList& faces, int rowsPerPage, const QString& pdf)
{
    QTemporaryDir dir;
    QStringList pages;
    for (qsizetype first = 0; first < faces.size(); first += rowsPerPage) {
        QString markup;
        for (const QString& face : faces.mid(first, rowsPerPage)) {
            const QString name = face.toHtmlEscaped();
            markup += QStringLiteral("<span font_family=\"Arial\" size=\"10pt\">%1</span>\t"
                                     "<span font_family=\"%1\" size=\"12pt\">This is %1</span>\n")
                          .arg(name);
        }
        const QString text = dir.filePath(QStringLiteral("page%1.txt").arg(pages.size()));
        QFile file(text);
        if (!file.open(QIODevice::WriteOnly) || file.write(markup.toUtf8()) < 0)
            return 1;
        file.close();
        const QString page = dir.filePath(QStringLiteral("page%1.pdf").arg(pages.size()));
        if (!runTool(QStringLiteral("pango-view"),
                     {QStringLiteral("-q"), QStringLiteral("--markup"),
                      QStringLiteral("--width=540"), QStringLiteral("--margin=36"),
                      QStringLiteral("--output=") + page, text}))
            return 1;
        pages << page;
    }
    if (!runTool(QStringLiteral("qpdf"),
                 QStringList{QStringLiteral("--empty"), QStringLiteral("--pages")} + pages +
                     QStringList{QStringLiteral("--"), pdf}))
        return 1;
    std::printf("pages %d\npeak %ld\n", pdfPages(pdf), peakOfSelfAndChildrenKb());
    return 0;
}

int childQt(int argc, char** argv, const QStringList& faces, int rowsPerPage, const QString& pdf)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QPdfWriter writer(pdf);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setResolution(96);
    QPainter painter(&writer);
    const int rowHeight = (writer.height() - 40) / rowsPerPage;
    QFont nameFont(QStringLiteral("Arial"));
    nameFont.setPointSize(10);
    int pages = 1;
    int row = 0;
    for (const QString& face : faces) {
        if (row == rowsPerPage) {
            writer.newPage();
            ++pages;
            row = 0;
        }
        const int y = 20 + row * rowHeight;
        painter.setFont(nameFont);
        painter.drawText(QRect(10, y, 220, rowHeight), Qt::AlignLeft | Qt::AlignTop, face);
        QFont sample(face);
        sample.setPointSize(12);
        sample.setStyleStrategy(QFont::NoFontMerging);
        painter.setFont(sample);
        painter.drawText(QRect(230, y, writer.width() - 240, rowHeight),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                         QStringLiteral("This is ") + face);
        ++row;
    }
    painter.end();
    std::printf("pages %d\npeak %ld\n", pages, peakOfSelfAndChildrenKb());
    return 0;
}

struct Result
{
    double seconds = 0;
    int pages = 0;
    double peakMb = 0;
};

bool measure(const QString& self, const QStringList& args, Result& result)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    child.start(self, args);
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        return false;
    result.seconds = clock.nsecsElapsed() / 1e9;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        if (line.startsWith("pages "))
            result.pages = line.mid(6).toInt();
        else if (line.startsWith("peak "))
            result.peakMb = line.mid(5).toDouble() / 1024;
    }
    return true;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

} // namespace

int main(int argc, char** argv)
{
    const QStringList args = [&] {
        QStringList list;
        for (int i = 0; i < argc; ++i)
            list << QString::fromLocal8Bit(argv[i]);
        return list;
    }();
    if (args.size() >= 4 && args[1] == QLatin1String("--child")) {
        const QString& kind = args[2];
        if (kind == QLatin1String("typovex"))
            return childTypovex(args[3], args[4]);
        const QStringList faces = readFaces(args[3]);
        const int rows = args[4].toInt();
        if (kind == QLatin1String("renderer"))
            return childRenderer(faces, rows, args[5]);
        return childQt(argc, argv, faces, rows, args[5]);
    }

    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    const QString binary = args.size() > 1 ? args[1]
                                           : QCoreApplication::applicationDirPath() +
                                                 QStringLiteral("/../typovex-catalogue");
    // The default settings: a settings folder of its own, empty.
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
    const QString first = dir.filePath(QStringLiteral("first.pdf"));
    Result warm;
    if (!measure(self, {QStringLiteral("--child"), QStringLiteral("typovex"), binary, first}, warm))
        return 1;
    QByteArray json;
    if (!runTool(QStringLiteral("qpdf"),
                 {QStringLiteral("--json"), QStringLiteral("--json-key=outlines"), first}, &json))
        return 1;
    QStringList faces;
    for (const QJsonValue& entry :
         QJsonDocument::fromJson(json).object().value(QLatin1String("outlines")).toArray())
        faces << entry.toObject().value(QLatin1String("title")).toString();
    const QString faceFile = dir.filePath(QStringLiteral("faces.txt"));
    {
        QFile out(faceFile);
        if (faces.isEmpty() || !out.open(QIODevice::WriteOnly))
            return 1;
        out.write(faces.join(QLatin1Char('\n')).toUtf8());
    }
    const int rowsPerPage = int((faces.size() + warm.pages - 1) / std::max(1, warm.pages));
    const QString rows = QString::number(rowsPerPage);

    struct Contestant
    {
        const char* title;
        QStringList args;
        QList<double> seconds = {};
        QList<double> peaks = {};
        int pages = 0;
    };
    QList<Contestant> contestants = {
        {"typovex-catalogue --pdf",
         {QStringLiteral("--child"), QStringLiteral("typovex"), binary,
          dir.filePath(QStringLiteral("typovex.pdf"))}},
        {"pango-view per page + qpdf",
         {QStringLiteral("--child"), QStringLiteral("renderer"), faceFile, rows,
          dir.filePath(QStringLiteral("renderer.pdf"))}},
        {"plain Qt into QPdfWriter",
         {QStringLiteral("--child"), QStringLiteral("qt"), faceFile, rows,
          dir.filePath(QStringLiteral("qt.pdf"))}},
    };
    const int rounds = qEnvironmentVariableIsSet("BENCH_ROUNDS")
                           ? qEnvironmentVariableIntValue("BENCH_ROUNDS")
                           : 3;
    // The first round warms the caches of every contestant and is not counted.
    for (int round = 0; round <= rounds; ++round) {
        for (Contestant& c : contestants) {
            Result r;
            if (!measure(self, c.args, r)) {
                std::printf("%s failed\n", c.title);
                return 1;
            }
            if (round == 0)
                continue;
            c.seconds << r.seconds;
            c.peaks << r.peakMb;
            c.pages = r.pages;
        }
    }

    std::printf("%lld faces listed (%d rows a page), median of %d rounds after a warm-up:\n",
                static_cast<long long>(faces.size()), rowsPerPage, rounds);
    std::printf("  %-30s %9s %7s %9s %9s %9s\n", "", "seconds", "pages", "peak MB", "time x",
                "memory x");
    const double baseSeconds = median(contestants[0].seconds);
    const double basePeak = median(contestants[0].peaks);
    for (const Contestant& c : contestants)
        std::printf("  %-30s %9.2f %7d %9.1f %9.2f %9.2f\n", c.title, median(c.seconds), c.pages,
                    median(c.peaks), median(c.seconds) / baseSeconds, median(c.peaks) / basePeak);
    return 0;
}

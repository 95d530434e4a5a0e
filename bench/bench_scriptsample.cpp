// The sample each catalogue row would show for every installed family with the default message,
// and what choosing it costs: the number of rows whose message, and whose chosen sample, holds a
// character (other than spaces and line breaks) that the row's face lacks, each checked against
// fontconfig's character set of that face; how the samples divide into the message, script
// lines and code-order runs; and the time the choice takes for the whole list.

#include "fontservices/FontServices.h"
#include "fontservices/ScriptSample.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QMap>

#include <fontconfig/fontconfig.h>

#include <cstdio>

namespace {

// fontconfig's own view of a face's characters, read from the file.
FcCharSet* charsetOf(const FaceFile& face)
{
    int count = 0;
    FcPattern* pattern = FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(face.file.constData()),
                                         face.index, nullptr, &count);
    if (!pattern)
        return nullptr;
    FcCharSet* charset = nullptr;
    FcCharSet* copy = nullptr;
    if (FcPatternGetCharSet(pattern, FC_CHARSET, 0, &charset) == FcResultMatch)
        copy = FcCharSetCopy(charset);
    FcPatternDestroy(pattern);
    return copy;
}

bool lacksSome(FcCharSet* charset, const QString& text)
{
    for (char32_t c : text.toUcs4()) {
        if (QChar::isSpace(c))
            continue;
        if (!charset || !FcCharSetHasChar(charset, c))
            return true;
    }
    return false;
}

QString expand(const QString& family)
{
    return QStringLiteral("This is ") + family;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList families = FontServices::familyList();
    QList<FaceFile> faces;
    faces.reserve(families.size());
    for (const QString& family : families)
        faces.append(FontServices::faceFileFor(
            FontServices::fontFor(family, 12, false, false, false, false)));

    QElapsedTimer timer;
    timer.start();
    QStringList samples;
    samples.reserve(families.size());
    for (qsizetype i = 0; i < families.size(); ++i)
        samples.append(ScriptSample::sampleFor(faces.at(i), expand(families.at(i))));
    const double chooseMs = timer.nsecsElapsed() / 1e6;
    timer.restart();
    for (qsizetype i = 0; i < families.size(); ++i)
        ScriptSample::sampleFor(faces.at(i), expand(families.at(i)));
    const double cachedMs = timer.nsecsElapsed() / 1e6;

    QHash<QString, QString> lineScript;
    for (int i = 0; i < ScriptSample::scriptCount(); ++i)
        lineScript.insert(QString::fromUtf16(ScriptSample::script(i).line),
                          QString::fromLatin1(ScriptSample::script(i).name));
    int messageLacks = 0;
    int sampleLacks = 0;
    int empty = 0;
    QMap<QString, int> kinds;
    const bool verbose = qEnvironmentVariableIsSet("BENCH_VERBOSE");
    for (qsizetype i = 0; i < families.size(); ++i) {
        FcCharSet* charset = charsetOf(faces.at(i));
        const QString& sample = samples.at(i);
        if (lacksSome(charset, expand(families.at(i))))
            ++messageLacks;
        if (sample.isEmpty())
            ++empty;
        const bool lacks = lacksSome(charset, sample);
        if (lacks)
            ++sampleLacks;
        const QString kind = sample == expand(families.at(i))
                                 ? QStringLiteral("message")
                                 : lineScript.value(sample, QStringLiteral("code-order run"));
        ++kinds[kind];
        if (verbose && (lacks || kind != QLatin1String("message")))
            std::printf("%s%s: %s: %s\n", lacks ? "LACKS " : "", qPrintable(families.at(i)),
                        qPrintable(kind), qPrintable(sample));
        if (charset)
            FcCharSetDestroy(charset);
    }
    std::printf("%lld families\n", static_cast<long long>(families.size()));
    std::printf("rows whose message lacks a glyph in its face: %d\n", messageLacks);
    std::printf("rows whose chosen sample lacks a glyph in its face: %d (empty samples: %d)\n",
                sampleLacks, empty);
    for (auto it = kinds.cbegin(); it != kinds.cend(); ++it)
        std::printf("  %-16s %d\n", qPrintable(it.key()), it.value());
    std::printf("choosing every sample: %.1f ms first, %.2f ms again (cached)\n", chooseMs,
                cachedMs);
    return 0;
}

#include "fontservices/FontHeightIndex.h"

#include "fontservices/BigEndian.h"

#include <QFont>
#include <QtEndian>

#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <unistd.h>

#include <cmath>
#include <memory>

namespace {

// fontconfig weights mapped piecewise onto Qt's weights, so that each named weight meets its
// namesake; Qt's font database uses the same mapping when it registers the faces.
int qtWeightFromFc(int fc)
{
    struct Step
    {
        int fc;
        int qt;
    };
    static constexpr Step steps[] = {
        {FC_WEIGHT_THIN, QFont::Thin},     {FC_WEIGHT_ULTRALIGHT, QFont::ExtraLight},
        {FC_WEIGHT_LIGHT, QFont::Light},   {FC_WEIGHT_NORMAL, QFont::Normal},
        {FC_WEIGHT_MEDIUM, QFont::Medium}, {FC_WEIGHT_DEMIBOLD, QFont::DemiBold},
        {FC_WEIGHT_BOLD, QFont::Bold},     {FC_WEIGHT_ULTRABOLD, QFont::ExtraBold},
        {FC_WEIGHT_BLACK, QFont::Black},   {FC_WEIGHT_ULTRABLACK, 1000},
    };
    if (fc <= steps[0].fc)
        return steps[0].qt;
    for (size_t i = 1; i < std::size(steps); ++i) {
        if (fc <= steps[i].fc) {
            const Step& lo = steps[i - 1];
            const Step& hi = steps[i];
            return lo.qt + ((fc - lo.fc) * (hi.qt - lo.qt)) / (hi.fc - lo.fc);
        }
    }
    return 1000;
}

int qtStyleFromFcSlant(int slant)
{
    if (slant == FC_SLANT_ITALIC)
        return QFont::StyleItalic;
    if (slant == FC_SLANT_OBLIQUE)
        return QFont::StyleOblique;
    return QFont::StyleNormal;
}

QString fcString(FcPattern* pattern, const char* object, int n)
{
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, n, &value) != FcResultMatch)
        return {};
    return QString::fromUtf8(reinterpret_cast<const char*>(value));
}

struct FileCloser
{
    int fd;
    ~FileCloser()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

bool readAt(int fd, qint64 offset, void* buffer, size_t size)
{
    return ::pread(fd, buffer, size, offset) == static_cast<ssize_t>(size);
}

// Fixed-point 26.6 as Qt's font engines keep their metrics: a value converted from real by
// truncation, rounded half up when turned into pixels.
int toFixedTruncated(double value)
{
    return static_cast<int>(value * 64.0);
}
int toFixedRounded(double value)
{
    return static_cast<int>(std::floor(value * 64.0 + 0.5));
}
int roundFixed(int fixed)
{
    return (fixed + 32) & -64;
}

} // namespace

FontHeightIndex::FontHeightIndex(const QList<FcPattern*>& addedFaces)
{
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects =
        FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_STYLE, FC_WEIGHT, FC_SLANT, FC_WIDTH, FC_FILE,
                         FC_INDEX, FC_SCALABLE, FC_FOUNDRY, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, objects);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);

    QHash<QString, QString> foundryOf;
    if (set) {
        m_faceCount = set->nfont;
        for (int i = 0; i < set->nfont; ++i)
            addPattern(set->fonts[i], foundryOf);
        FcFontSetDestroy(set);
    }
    // Added files are faces like any other: a family installed too, or in several files, has
    // them all as candidates, and a height is given only where they agree.
    for (FcPattern* added : addedFaces)
        addPattern(added, foundryOf);

    for (auto it = foundryOf.constBegin(); it != foundryOf.constEnd(); ++it) {
        if (*it == QLatin1String("\n"))
            m_perFoundry.insert(it.key());
    }
}

void FontHeightIndex::addPattern(FcPattern* p, QHash<QString, QString>& foundryOf)
{
    auto registerFace = [&](const QString& family, const QString& foundry, Face face) {
        const QString key = family.toLower();
        auto f = foundryOf.constFind(key);
        if (f == foundryOf.constEnd())
            foundryOf.insert(key, foundry);
        else if (*f != foundry)
            foundryOf[key] = QStringLiteral("\n"); // listed per foundry: left to Qt
        m_families[key].append(face);
    };

    FcChar8* file = nullptr;
    if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch)
        return;
    const QString family = fcString(p, FC_FAMILY, 0);
    if (family.isEmpty())
        return;
    Face face;
    face.file = QByteArray(reinterpret_cast<const char*>(file));
    FcPatternGetInteger(p, FC_INDEX, 0, &face.index);
    // fontconfig lists an added file itself too; one face is one candidate.
    const QByteArray key = face.file + '\n' + QByteArray::number(face.index);
    if (m_listedFaces.contains(key))
        return;
    m_listedFaces.insert(key);
    int weight = FC_WEIGHT_REGULAR;
    FcPatternGetInteger(p, FC_WEIGHT, 0, &weight);
    face.weight = qtWeightFromFc(weight);
    int slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(p, FC_SLANT, 0, &slant);
    face.style = qtStyleFromFcSlant(slant);
    // fontconfig's widths are Qt's stretch values.
    FcPatternGetInteger(p, FC_WIDTH, 0, &face.stretch);
    FcBool scalable = FcTrue;
    FcPatternGetBool(p, FC_SCALABLE, 0, &scalable);
    face.scalable = scalable;
    face.styleName = fcString(p, FC_STYLE, 0);
    const QString foundry = fcString(p, FC_FOUNDRY, 0);
    const QString lang = fcString(p, FC_FAMILYLANG, 0);
    registerFace(family, foundry, face);

    // Further family names are aliases, or subfamilies with a style name of their own.
    for (int k = 1;; ++k) {
        const QString altFamily = fcString(p, FC_FAMILY, k);
        if (altFamily.isEmpty())
            break;
        QString altStyle = fcString(p, FC_STYLE, k);
        if (altStyle.isEmpty())
            altStyle = face.styleName;
        QString altLang = fcString(p, FC_FAMILYLANG, k);
        if (altLang.isEmpty())
            altLang = lang;
        if (altLang == lang && altStyle != face.styleName) {
            Face sub = face;
            sub.styleName = altStyle;
            registerFace(altFamily, foundry, sub);
        }
    }
}

// The faces Qt's matcher may take from a family: the nearest slant first, then the nearest
// weight and the width nearest to normal. Faces that tie (optical sizes, the same face installed
// twice) are all returned; the caller trusts them only when they agree.
QList<const FontHeightIndex::Face*> FontHeightIndex::bestFaces(const QString& family, bool bold,
                                                               bool italic) const
{
    QList<const Face*> best;
    auto it = m_families.constFind(family.toLower());
    if (it == m_families.constEnd() || m_perFoundry.contains(it.key()))
        return best;
    const int wantWeight = bold ? QFont::Bold : QFont::Normal;
    const int wantStyle = italic ? QFont::StyleItalic : QFont::StyleNormal;
    int bestDistance = 0xffff;
    for (const Face& face : *it) {
        int d = std::abs((wantWeight - face.weight) / 10) + std::abs(100 - face.stretch);
        if (face.style != wantStyle) {
            if (face.style != QFont::StyleNormal && wantStyle != QFont::StyleNormal)
                d += 0x0001; // italic for oblique or the reverse
            else
                d += 0x1000;
        }
        if (d < bestDistance) {
            best.clear();
            bestDistance = d;
        }
        if (d == bestDistance)
            best.append(&face);
    }
    return best;
}

FontHeightIndex::Metrics& FontHeightIndex::metricsOf(const Face& face)
{
    Metrics& m = m_metrics[face.file + '\n' + QByteArray::number(face.index)];
    if (m.read)
        return m;
    m.read = true;
    if (!face.scalable)
        return m;

    FileCloser fd{::open(face.file.constData(), O_RDONLY | O_CLOEXEC)};
    if (fd.fd < 0)
        return m;
    uchar header[12];
    if (!readAt(fd.fd, 0, header, sizeof header))
        return m;
    qint64 directory = 0;
    if (BigEndian::u32(header) ==
        0x74746366) { // 'ttcf': a collection, find the face's own directory
        const int faceIndex = face.index & 0xffff;
        if (faceIndex >= static_cast<int>(BigEndian::u32(header + 8)))
            return m;
        uchar offset[4];
        if (!readAt(fd.fd, 12 + 4 * faceIndex, offset, 4))
            return m;
        directory = BigEndian::u32(offset);
        if (!readAt(fd.fd, directory, header, sizeof header))
            return m;
    }
    const quint32 version = BigEndian::u32(header);
    if (version != 0x00010000 && version != 0x4f54544f /* OTTO */ &&
        version != 0x74727565 /* true */)
        return m;
    const int numTables = BigEndian::u16(header + 4);
    if (numTables == 0 || numTables > 512)
        return m;
    QByteArray records(numTables * 16, Qt::Uninitialized);
    if (!readAt(fd.fd, directory + 12, records.data(), records.size()))
        return m;

    quint32 headAt = 0, hheaAt = 0, os2At = 0, os2Length = 0;
    const auto* r = reinterpret_cast<const uchar*>(records.constData());
    for (int i = 0; i < numTables; ++i, r += 16) {
        switch (BigEndian::u32(r)) {
        case 0x68656164:
            headAt = BigEndian::u32(r + 8);
            break; // head
        case 0x68686561:
            hheaAt = BigEndian::u32(r + 8);
            break; // hhea
        case 0x4f532f32:
            os2At = BigEndian::u32(r + 8);
            os2Length = BigEndian::u32(r + 12);
            break;       // OS/2
        case 0x45424c43: // EBLC
        case 0x43424c43: // CBLC
        case 0x62646174: // bdat
            // Embedded bitmaps make Qt keep FreeType's own rounded metrics.
            return m;
        default:
            break;
        }
    }
    uchar head[20];
    if (!headAt || !readAt(fd.fd, headAt, head, sizeof head))
        return m;
    m.unitsPerEm = BigEndian::u16(head + 18);
    if (m.unitsPerEm == 0)
        return m;

    bool haveMetrics = false;
    uchar hhea[10];
    if (hheaAt && readAt(fd.fd, hheaAt, hhea, sizeof hhea)) {
        const qint16 ascent = BigEndian::s16(hhea + 4);
        const qint16 descent = BigEndian::s16(hhea + 6);
        if (ascent != 0 || descent != 0) {
            m.ascent = ascent;
            m.descent = -descent;
            haveMetrics = true;
        }
    }
    uchar os2[78];
    if (os2At && os2Length >= sizeof os2 && readAt(fd.fd, os2At, os2, sizeof os2)) {
        const quint16 fsSelection = BigEndian::u16(os2 + 62);
        const qint16 typoAscent = BigEndian::s16(os2 + 68);
        const qint16 typoDescent = BigEndian::s16(os2 + 70);
        const quint16 winAscent = BigEndian::u16(os2 + 74);
        const quint16 winDescent = BigEndian::u16(os2 + 76);
        constexpr quint16 useTypoMetrics = 0x80;
        if (fsSelection & useTypoMetrics) {
            if (typoAscent != 0 || typoDescent != 0) {
                m.ascent = typoAscent;
                m.descent = -typoDescent;
                haveMetrics = true;
            }
        } else if (winAscent != 0 || winDescent != 0) {
            m.ascent = winAscent;
            m.descent = winDescent;
            haveMetrics = true;
        }
    }
    m.usable = haveMetrics;
    return m;
}

int FontHeightIndex::heightOf(const Face& face, qreal pixelSize, bool roundParts)
{
    const Metrics& m = metricsOf(face);
    if (!m.usable)
        return -1;
    // Qt scales the design metrics to the pixel size in 26.6 fixed point; where glyphs sit on whole
    // pixels it rounds ascent and descent each before adding them. Its conversion to fixed point
    // truncates or rounds depending on the table the metrics came from; a value whose height
    // depends on which is left to Qt.
    auto height = [&](auto toFixed) {
        const int ascent = toFixed(m.ascent * pixelSize / m.unitsPerEm);
        const int descent = toFixed(m.descent * pixelSize / m.unitsPerEm);
        if (roundParts)
            return (roundFixed(ascent) + roundFixed(descent)) / 64;
        return roundFixed(ascent + descent) / 64;
    };
    const int truncated = height(toFixedTruncated);
    return truncated == height(toFixedRounded) ? truncated : -1;
}

int FontHeightIndex::lineHeight(const QString& family, qreal pixelSize, bool bold, bool italic,
                                const Reference& reference)
{
    return measuredHeight(bestFaces(family, bold, italic), pixelSize, reference);
}

int FontHeightIndex::styledLineHeight(const QString& family, const QString& styleName,
                                      qreal pixelSize, bool bold, bool italic,
                                      const Reference& reference)
{
    // Qt takes the face by its style name whatever the weight and slant asked for, then makes up
    // the bold or slant the face lacks; made-up styles are left to Qt.
    QList<const Face*> faces;
    auto it = m_families.constFind(family.toLower());
    if (it == m_families.constEnd() || m_perFoundry.contains(it.key()))
        return -1;
    for (const Face& face : *it) {
        if (face.styleName != styleName)
            continue;
        if ((bold && face.weight < QFont::Bold) || (italic && face.style == QFont::StyleNormal))
            return -1;
        faces.append(&face);
    }
    return measuredHeight(faces, pixelSize, reference);
}

int FontHeightIndex::measuredHeight(const QList<const Face*>& faces, qreal pixelSize,
                                    const Reference& reference)
{
    if (faces.isEmpty())
        return -1;
    // Whether parts are rounded depends on the platform's hinting settings; the first face for
    // which it matters is measured by Qt itself to learn which way this session goes.
    if (m_rounding == Rounding::Unknown) {
        const int rounded = heightOf(*faces.first(), pixelSize, true);
        const int exact = heightOf(*faces.first(), pixelSize, false);
        if (rounded < 0)
            return -1;
        if (rounded == exact)
            return agreedHeight(faces, pixelSize, true);
        const int measured = reference ? reference() : -1;
        // Learnt only from faces that agree, where Qt's answer can only be this face's.
        if (agreedHeight(faces, pixelSize, true) != rounded ||
            agreedHeight(faces, pixelSize, false) != exact)
            return measured;
        if (measured == rounded)
            m_rounding = Rounding::Parts;
        else if (measured == exact)
            m_rounding = Rounding::Sum;
        return measured;
    }
    return agreedHeight(faces, pixelSize, m_rounding == Rounding::Parts);
}

int FontHeightIndex::agreedHeight(const QList<const Face*>& faces, qreal pixelSize, bool roundParts)
{
    const int height = heightOf(*faces.first(), pixelSize, roundParts);
    for (qsizetype i = 1; i < faces.size() && height >= 0; ++i) {
        if (heightOf(*faces[i], pixelSize, roundParts) != height)
            return -1;
    }
    return height;
}

bool FontHeightIndex::faceFor(const QString& family, const QString& styleName, bool bold,
                              bool italic, FaceFile* face) const
{
    const Face* chosen = nullptr;
    if (!styleName.isEmpty()) {
        auto it = m_families.constFind(family.toLower());
        if (it == m_families.constEnd() || m_perFoundry.contains(it.key()))
            return false;
        for (const Face& f : *it) {
            if (f.styleName == styleName) {
                chosen = &f;
                break;
            }
        }
    } else {
        const QList<const Face*> best = bestFaces(family, bold, italic);
        if (!best.isEmpty())
            chosen = best.first();
    }
    if (!chosen)
        return false;
    face->file = chosen->file;
    face->index = chosen->index;
    // Qt makes up bold for a face lighter than demibold and a slant for an upright face.
    face->syntheticBold = bold && chosen->weight < QFont::DemiBold;
    face->syntheticOblique = italic && chosen->style == QFont::StyleNormal;
    return true;
}

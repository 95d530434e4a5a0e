#pragma once

#include "fontservices/FaceFile.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

struct _FcPattern; // fontconfig's FcPattern

// Line heights of installed families without building a Qt font per family.
//
// Creating a QFont and asking QFontMetrics costs about 2 ms per family on a machine with a few
// thousand faces (fontconfig matches each new font against every face), so filling the font list
// that way takes seconds. This index asks fontconfig once for every face, picks the face Qt would
// pick for a family and style the way Qt's font database does, and reads the ascent and descent
// Qt uses from the face's own hhea and OS/2 tables. Whatever it cannot answer with certainty
// (bitmap faces, faces with embedded bitmaps, families listed per foundry, faces that may be one
// of several with different metrics) it declines, and the caller measures with QFontMetrics.
class FontHeightIndex
{
public:
    // Reads the face list from fontconfig's current configuration, plus the faces of font files
    // added for the run (fontconfig's description of each, as FcFreeTypeQuery gives it), which
    // Qt lists beside the installed ones.
    explicit FontHeightIndex(const QList<_FcPattern*>& addedFaces = {});

    // Measures the same request the slow way, with QFontMetrics::height().
    using Reference = std::function<int()>;

    // The line height in pixels QFontMetrics::height() gives for the family at the pixel size and
    // style, or -1 when the index cannot tell. The reference is asked at most once per index, to
    // learn how this platform rounds.
    int lineHeight(const QString& family, qreal pixelSize, bool bold, bool italic,
                   const Reference& reference);

    // The same for the face a family and style name select (how a full name of an added file is
    // shown). -1 also where a style button asks for more than the face has, so that Qt would
    // synthesise bold or a slant, and where faces of that name differ in their metrics.
    int styledLineHeight(const QString& family, const QString& styleName, qreal pixelSize,
                         bool bold, bool italic, const Reference& reference);

    // The face Qt would draw the family in, at the style name when one is given (how a full name
    // of an added file selects its face), or else the nearest weight and slant; the styles asked
    // for that the face lacks are marked synthetic. False where the index cannot tell (unknown
    // names and aliases, families listed per foundry); the caller then asks fontconfig.
    bool faceFor(const QString& family, const QString& styleName, bool bold, bool italic,
                 FaceFile* face) const;

    // How many faces fontconfig listed.
    int faceCount() const { return m_faceCount; }

private:
    struct Face
    {
        QString styleName;
        QByteArray file;
        int index = 0;
        int weight = 400;
        int style = 0;     // QFont::Style
        int stretch = 100; // QFont::Stretch
        bool scalable = true;
    };
    struct Metrics
    {
        bool read = false;
        bool usable = false;
        int unitsPerEm = 0;
        int ascent = 0;  // font units, positive up
        int descent = 0; // font units, positive down
    };

    void addPattern(_FcPattern* pattern, QHash<QString, QString>& foundryOf);
    QList<const Face*> bestFaces(const QString& family, bool bold, bool italic) const;
    int measuredHeight(const QList<const Face*>& faces, qreal pixelSize,
                       const Reference& reference);
    int heightOf(const Face& face, qreal pixelSize, bool roundParts);
    int agreedHeight(const QList<const Face*>& faces, qreal pixelSize, bool roundParts);

    enum class Rounding { Unknown, Parts, Sum };
    Rounding m_rounding = Rounding::Unknown;
    Metrics& metricsOf(const Face& face);

    QHash<QString, QList<Face>> m_families; // key: family name as Qt lists it, lower case
    QHash<QByteArray, Metrics> m_metrics;   // key: file + '\n' + index
    QSet<QByteArray> m_listedFaces;         // the same keys, each face registered once
    QSet<QString> m_perFoundry;             // families Qt lists once per foundry
    int m_faceCount = 0;
};

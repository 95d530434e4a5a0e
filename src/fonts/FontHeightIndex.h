#pragma once

#include <QHash>

#include <functional>
#include <QList>
#include <QString>
#include <QStringList>

// Line heights of installed families without building a Qt font per family.
//
// Creating a QFont and asking QFontMetrics costs about 2 ms per family on a machine with a few
// thousand faces (fontconfig matches each new font against every face), so filling the font list
// that way takes seconds. This index asks fontconfig once for every face, picks the face Qt would
// pick for a family and style the way Qt's font database does, and reads the ascent and descent
// Qt uses from the face's own hhea and OS/2 tables. Whatever it cannot answer with certainty
// (bitmap faces, faces with embedded bitmaps, families listed per foundry, application fonts) it
// declines, and the caller measures with QFontMetrics instead.
class FontHeightIndex
{
public:
    // Reads the face list from fontconfig's current configuration.
    FontHeightIndex();

    // Measures a family the slow way: QFontMetrics::height() of the family in the style.
    using Reference = std::function<int(const QString& family, bool bold, bool italic)>;

    // The line height in pixels QFontMetrics::height() gives for the family at the pixel size and
    // style, or -1 when the index cannot tell. The reference is asked at most once per index, to
    // learn how this platform rounds.
    int lineHeight(const QString& family, qreal pixelSize, bool bold, bool italic,
                   const Reference& reference);

    // How many faces fontconfig listed.
    int faceCount() const { return m_faceCount; }

private:
    struct Face
    {
        QString styleName;
        QByteArray file;
        int index = 0;
        int weight = 400;
        int style = 0; // QFont::Style
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

    QList<const Face*> bestFaces(const QString& family, bool bold, bool italic) const;
    int heightOf(const Face& face, qreal pixelSize, bool roundParts);
    int agreedHeight(const QList<const Face*>& faces, qreal pixelSize, bool roundParts);

    enum class Rounding { Unknown, Parts, Sum };
    Rounding m_rounding = Rounding::Unknown;
    Metrics& metricsOf(const Face& face);

    QHash<QString, QList<Face>> m_families; // key: family name as Qt lists it, lower case
    QHash<QByteArray, Metrics> m_metrics;   // key: file + '\n' + index
    int m_faceCount = 0;
};

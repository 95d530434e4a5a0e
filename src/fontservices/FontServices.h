#pragma once

#include "fontservices/FaceFile.h"

#include <QFont>
#include <QObject>
#include <QStringList>

class QPaintDevice;
class QPainter;

// The program's font services: the family list, font files added for the run, the change notice
// that follows every add and remove, and fonts built from a description (face, point size, style).
class FontServices : public QObject
{
    Q_OBJECT
public:
    // The program-wide sender of the change notice.
    static FontServices* notifier();

    // Every installed family once (letter case ignored), with the pseudo-family "Default", sorted
    // without regard to case. Built on first use and kept until the next change notice.
    static QStringList familyList();

    // Adds a font file to the program's font table for the rest of the run; false when it is not
    // a font Qt accepts. Sends the change notice either way the table changed.
    // Only a regular file is read, and that without blocking on it.
    static bool addFontFile(const QString& path);
    // The same with the file's contents read already; the file itself is not opened again by
    // the font table. path is a NativePath string.
    static bool addFontData(const QString& path, const QByteArray& data);
    // Removes a file added by addFontFile; unknown paths are ignored. Sends the change notice.
    static void removeFontFile(const QString& path);
    // Paths added and not removed yet, in the order they were added.
    static QStringList addedFontFiles();

    // Drops the cached family list and tells every listener that fonts changed.
    static void sendFontChange();

    // The point size a description with point size 0 stands for: the application font's size,
    // the nearest thing here to a face's default height.
    static qreal defaultPointSize();

    // A font by description. "Default" is the system's general interface font (at its own size
    // when pointSize is 0); a full font name of an added file selects that very face; a face that
    // is not installed becomes Qt's nearest match.
    static QFont fontFor(const QString& face, int pointSize, bool bold, bool italic, bool underline,
                         bool strikeout);

    // The character height in pixels of a point size on a device of the given dots per inch,
    // rounded half away from zero.
    static int pixelHeight(int pointSize, int dotsPerInch);

    // The line height (ascent + descent, what "Wg" measures) of the face at point size 0 in the
    // style, on the device (the screen when null). Equal to QFontMetrics(fontFor(...)).height(),
    // but read from the font files where that is certain (installed families, families and full
    // names of added files), which is far quicker with many fonts.
    static int lineHeight(const QString& face, bool bold, bool italic,
                          const QPaintDevice* device = nullptr);
    // The same read from the font files only; -1 where only Qt can tell.
    static int quickLineHeight(const QString& face, bool bold, bool italic,
                               const QPaintDevice* device = nullptr);
    // The same measured by Qt: QFontMetrics(fontFor(face, 0, bold, italic, ...)).height().
    static int measuredHeight(const QString& face, bool bold, bool italic,
                              const QPaintDevice* device = nullptr);

    // Width and height in pixels of the text in the font.
    static QSize measureText(const QFont& font, const QString& text,
                             const QPaintDevice* device = nullptr);
    // Draws the text with its top left corner at the point in the painter's font and pen, over
    // the painter's background when the background mode is opaque.
    static void drawText(QPainter& painter, const QPoint& topLeft, const QString& text);

    // The file and face the font draws with (family, style name, weight and slant as set), found
    // without asking fontconfig to match where the face index knows the family; the styles the
    // face lacks are marked synthetic. Remembered until the next change notice. Invalid only where
    // no face at all can be found.
    static FaceFile faceFileFor(const QFont& font);
    // A face that has a glyph for the character, the nearest to the family and style asked as
    // fontconfig orders them (as Qt's font merging takes them); invalid when none has.
    static FaceFile fallbackFaceFor(char32_t character, const QString& family, bool bold,
                                    bool italic);

signals:
    // Sent after every single add and remove of a font file.
    void fontsChanged();

private:
    FontServices() = default;
};

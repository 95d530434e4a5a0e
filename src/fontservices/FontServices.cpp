#include "fontservices/FontServices.h"

#include "fontservices/FontHeightIndex.h"
#include "fontservices/NativePath.h"
#include "fontservices/ScriptSample.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QScreen>
#include <QSet>

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString defaultFace = QStringLiteral("Default");

struct AddedFace
{
    QString family;
    QString style;
};

using FacePattern = std::shared_ptr<FcPattern>;

struct AddedFile
{
    QString path;
    int id = -1;
    QStringList families;
    QStringList fullNames;    // case-folded keys of fullNameFaces
    QList<FacePattern> faces; // fontconfig's description of each face, for the height index
};

// Every installed and added face by family name, folded as fontconfig compares names (case and
// blanks ignored), gathered once: a name's faces without walking every installed face.
class FamilyFaces
{
public:
    FamilyFaces()
    {
        for (const FcSetName which : {FcSetSystem, FcSetApplication}) {
            FcFontSet* set = FcConfigGetFonts(nullptr, which);
            for (int i = 0; set && i < set->nfont; ++i) {
                FcChar8* name = nullptr;
                for (int k = 0;
                     FcPatternGetString(set->fonts[i], FC_FAMILY, k, &name) == FcResultMatch; ++k) {
                    QList<FcPattern*>& faces = m_faces[keyOf(name)];
                    if (!faces.isEmpty() && faces.last() == set->fonts[i])
                        continue; // two names of the face fold alike
                    FcPatternReference(set->fonts[i]);
                    faces.append(set->fonts[i]);
                }
            }
        }
    }
    ~FamilyFaces()
    {
        for (const QList<FcPattern*>& faces : std::as_const(m_faces)) {
            for (FcPattern* face : faces)
                FcPatternDestroy(face);
        }
    }
    FamilyFaces(const FamilyFaces&) = delete;
    FamilyFaces& operator=(const FamilyFaces&) = delete;

    const QList<FcPattern*>* find(const FcChar8* name) const
    {
        const auto it = m_faces.constFind(keyOf(name));
        return it == m_faces.constEnd() ? nullptr : &*it;
    }

private:
    static QByteArray keyOf(const FcChar8* name)
    {
        return QString::fromUtf8(reinterpret_cast<const char*>(name))
            .toCaseFolded()
            .remove(QLatin1Char(' '))
            .toUtf8();
    }
    QHash<QByteArray, QList<FcPattern*>> m_faces;
};

struct State
{
    bool familiesValid = false;
    QStringList families;
    std::unique_ptr<FontHeightIndex> heights;
    std::unique_ptr<FamilyFaces> familyFaces;
    QList<AddedFile> added;
    QHash<QString, AddedFace> fullNameFaces; // key: case-folded full name
    QHash<QString, FaceFile> faceFiles;      // key: faceKey()
    QHash<QString, FaceFile> fallbackFaces;  // key: family, character, bold, italic
};

State& state()
{
    static State s;
    return s;
}

QString fcString(FcPattern* pattern, const char* object, int n)
{
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, n, &value) != FcResultMatch)
        return {};
    return QString::fromUtf8(reinterpret_cast<const char*>(value));
}

// The full names of every face in a font file with the family and style Qt registers it under,
// so that a full name can select its own face although Qt matches families only.
void readFullNames(AddedFile& file)
{
    const QByteArray path = NativePath::toNative(file.path);
    int count = 1;
    for (int index = 0; index < count; ++index) {
        FcPattern* pattern = FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(path.constData()),
                                             index, nullptr, &count);
        if (!pattern)
            break;
        file.faces.append(FacePattern(pattern, FcPatternDestroy));
        const AddedFace face{fcString(pattern, FC_FAMILY, 0), fcString(pattern, FC_STYLE, 0)};
        for (int n = 0;; ++n) {
            const QString fullName = fcString(pattern, FC_FULLNAME, n);
            if (fullName.isEmpty())
                break;
            // A regular face's full name is often its family name, which must stay a family:
            // the style buttons still choose among its faces.
            if (fullName.compare(face.family, Qt::CaseInsensitive) == 0)
                continue;
            const QString key = fullName.toCaseFolded();
            state().fullNameFaces.insert(key, face);
            file.fullNames.append(key);
        }
    }
}

bool isDefaultFace(const QString& face)
{
    return face.compare(defaultFace, Qt::CaseInsensitive) == 0;
}

FontHeightIndex& heightIndex()
{
    State& s = state();
    if (!s.heights) {
        QList<FcPattern*> addedFaces;
        for (const AddedFile& file : std::as_const(s.added)) {
            for (const FacePattern& pattern : file.faces)
                addedFaces.append(pattern.get());
        }
        s.heights = std::make_unique<FontHeightIndex>(addedFaces);
    }
    return *s.heights;
}

FamilyFaces& familyFaces()
{
    State& s = state();
    if (!s.familyFaces)
        s.familyFaces = std::make_unique<FamilyFaces>();
    return *s.familyFaces;
}

// The faces of the lists, each once, as a set fontconfig can match among.
FcFontSet* setOf(const QList<const QList<FcPattern*>*>& lists)
{
    FcFontSet* set = FcFontSetCreate();
    QSet<FcPattern*> taken;
    for (const QList<FcPattern*>* faces : lists) {
        for (FcPattern* face : *faces) {
            if (taken.contains(face))
                continue;
            taken.insert(face);
            FcPatternReference(face);
            if (!FcFontSetAdd(set, face))
                FcPatternDestroy(face);
        }
    }
    return set;
}

bool speaks(FcPattern* face, const FcChar8* language)
{
    FcLangSet* languages = nullptr;
    return FcPatternGetLangSet(face, FC_LANG, 0, &languages) == FcResultMatch &&
           FcLangSetHasLang(languages, language) == FcLangEqual;
}

// The faces fontconfig's match for the pattern is sure to come from, or null. fontconfig ranks
// the first strongly bound family some face bears (the application's own name, or one the
// configuration binds as strongly, as Arimo for Arial) above all else a family's faces differ in:
// then that family's faces. Without one, the language comes next and then the weakly bound names:
// the faces of every installed name hold the match when one of them speaks the language.
FcFontSet* candidatesFor(FcPattern* pattern)
{
    FcPatternIter iter;
    if (!FcPatternFindIter(pattern, &iter, FC_FAMILY))
        return nullptr;
    QList<const QList<FcPattern*>*> weak;
    const int count = FcPatternIterValueCount(pattern, &iter);
    for (int k = 0; k < count; ++k) {
        FcValue value;
        FcValueBinding binding = FcValueBindingWeak;
        if (FcPatternIterGetValue(pattern, &iter, k, &value, &binding) != FcResultMatch ||
            value.type != FcTypeString)
            continue;
        if (const QList<FcPattern*>* faces = familyFaces().find(value.u.s)) {
            if (binding == FcValueBindingStrong)
                return setOf({faces});
            weak.append(faces);
        }
    }
    FcChar8* language = nullptr;
    bool spoken = FcPatternGetString(pattern, FC_LANG, 0, &language) != FcResultMatch;
    for (qsizetype n = 0; !spoken && n < weak.size(); ++n)
        spoken = std::any_of(weak[n]->begin(), weak[n]->end(),
                             [&](FcPattern* face) { return speaks(face, language); });
    return spoken && !weak.isEmpty() ? setOf(weak) : nullptr;
}

// What fontconfig matches for a pattern already holding the family or characters asked for.
FaceFile matchedFace(FcPattern* pattern, bool bold, bool italic, char32_t character = 0)
{
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FaceFile face;
    auto take = [&](FcPattern* match) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch)
            return false;
        if (character) {
            FcCharSet* charset = nullptr;
            if (FcPatternGetCharSet(match, FC_CHARSET, 0, &charset) != FcResultMatch ||
                !FcCharSetHasChar(charset, character))
                return false;
        }
        face.file = QByteArray(reinterpret_cast<const char*>(file));
        FcPatternGetInteger(match, FC_INDEX, 0, &face.index);
        int weight = FC_WEIGHT_REGULAR;
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        int slant = FC_SLANT_ROMAN;
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        face.syntheticBold = bold && weight < FC_WEIGHT_DEMIBOLD;
        face.syntheticOblique = italic && slant == FC_SLANT_ROMAN;
        return true;
    };
    FcResult result = FcResultNoMatch;
    if (FcFontSet* set = character ? nullptr : candidatesFor(pattern)) {
        // fontconfig's own choice among them, without weighing every other installed face.
        if (FcPattern* match = FcFontSetMatch(nullptr, &set, 1, pattern, &result)) {
            take(match);
            FcPatternDestroy(match);
        }
        FcFontSetDestroy(set);
    } else if (character) {
        // The nearest face need not have the character; the nearest one that has it.
        if (FcFontSet* sorted = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result)) {
            for (int i = 0; i < sorted->nfont && !face.isValid(); ++i)
                take(sorted->fonts[i]);
            FcFontSetDestroy(sorted);
        }
    } else if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
        take(match);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return face;
}

int screenDpi(const QPaintDevice* device)
{
    if (device)
        return device->logicalDpiY();
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInchY()) : 96;
}

} // namespace

FontServices* FontServices::notifier()
{
    static FontServices* instance = new FontServices;
    return instance;
}

QStringList FontServices::familyList()
{
    State& s = state();
    if (!s.familiesValid) {
        QStringList list = QFontDatabase::families();
        // Qt names a family that several foundries provide once per foundry, as "Name [foundry]";
        // the user asks for the family, and the font system picks among the foundries' faces.
        for (QString& name : list) {
            if (name.endsWith(QLatin1Char(']'))) {
                const qsizetype open = name.lastIndexOf(QLatin1String(" ["));
                if (open > 0)
                    name.truncate(open);
            }
        }
        list.append(defaultFace);
        std::stable_sort(list.begin(), list.end(), [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        });
        // Each family once: a name equal to the one before it, letter case ignored, is left out.
        QStringList unique;
        unique.reserve(list.size());
        for (const QString& name : std::as_const(list)) {
            if (unique.isEmpty() || unique.constLast().compare(name, Qt::CaseInsensitive) != 0)
                unique.append(name);
        }
        s.families = unique;
        s.familiesValid = true;
    }
    return s.families;
}

bool FontServices::addFontFile(const QString& path)
{
    const int fd = ::open(NativePath::toNative(path).constData(),
                          O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    QFile file;
    struct stat info = {};
    QByteArray data;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        data = file.readAll();
    else
        ::close(fd);
    return !data.isEmpty() && addFontData(path, data);
}

bool FontServices::addFontData(const QString& path, const QByteArray& data)
{
    // By name where the name reaches the file (the face heights are read from it later); the
    // contents otherwise, for a name that is not UTF-8 or longer than the system takes.
    const QByteArray native = NativePath::toNative(path);
    const bool byName = QFile::encodeName(path) == native && native.size() < 4096;
    const int id = byName ? QFontDatabase::addApplicationFont(path)
                          : QFontDatabase::addApplicationFontFromData(data);
    if (id < 0)
        return false;
    AddedFile file{path, id, QFontDatabase::applicationFontFamilies(id), {}, {}};
    readFullNames(file);
    state().added.append(file);
    sendFontChange();
    return true;
}

void FontServices::removeFontFile(const QString& path)
{
    State& s = state();
    auto it = std::find_if(s.added.begin(), s.added.end(),
                           [&](const AddedFile& f) { return f.path == path; });
    if (it == s.added.end())
        return;
    QFontDatabase::removeApplicationFont(it->id);
    const QStringList names = it->fullNames;
    s.added.erase(it);
    for (const QString& name : names) {
        // Another added file may bear the same full name; it keeps the name.
        const bool stillAdded =
            std::any_of(s.added.cbegin(), s.added.cend(),
                        [&](const AddedFile& f) { return f.fullNames.contains(name); });
        if (!stillAdded)
            s.fullNameFaces.remove(name);
    }
    sendFontChange();
}

QStringList FontServices::addedFontFiles()
{
    QStringList paths;
    for (const AddedFile& file : std::as_const(state().added))
        paths.append(file.path);
    return paths;
}

void FontServices::sendFontChange()
{
    State& s = state();
    s.familiesValid = false;
    s.families.clear();
    s.heights.reset();
    s.familyFaces.reset();
    s.faceFiles.clear();
    s.fallbackFaces.clear();
    // A file added again may hold other faces than before under the same path.
    ScriptSample::clearCache();
    emit notifier()->fontsChanged();
}

qreal FontServices::defaultPointSize()
{
    const qreal size = QApplication::font().pointSizeF();
    return size > 0 ? size : 9.0;
}

QFont FontServices::fontFor(const QString& face, int pointSize, bool bold, bool italic,
                            bool underline, bool strikeout)
{
    QFont font;
    if (isDefaultFace(face)) {
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        if (pointSize > 0)
            font.setPointSize(pointSize);
    } else {
        const auto added = state().fullNameFaces.constFind(face.toCaseFolded());
        if (added != state().fullNameFaces.constEnd()) {
            font.setFamily(added->family);
            font.setStyleName(added->style);
        } else {
            font.setFamily(face);
        }
        if (pointSize > 0)
            font.setPointSize(pointSize);
        else
            font.setPointSizeF(defaultPointSize());
    }
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeout);
    return font;
}

int FontServices::pixelHeight(int pointSize, int dotsPerInch)
{
    return static_cast<int>(std::lround(static_cast<double>(pointSize) * dotsPerInch / 72.0));
}

int FontServices::quickLineHeight(const QString& face, bool bold, bool italic,
                                  const QPaintDevice* device)
{
    if (isDefaultFace(face))
        return -1;
    State& s = state();
    FontHeightIndex& heights = heightIndex();
    // Qt turns a point size into a pixel size at the device's resolution, kept to 1/100 pixel.
    const qreal pixelSize =
        std::floor(defaultPointSize() * screenDpi(device) / 72.0 * 100.0 + 0.5) / 100.0;
    const FontHeightIndex::Reference reference = [&] {
        return measuredHeight(face, bold, italic, device);
    };
    const auto added = s.fullNameFaces.constFind(face.toCaseFolded());
    if (added != s.fullNameFaces.constEnd())
        return heights.styledLineHeight(added->family, added->style, pixelSize, bold, italic,
                                        reference);
    return heights.lineHeight(face, pixelSize, bold, italic, reference);
}

int FontServices::lineHeight(const QString& face, bool bold, bool italic,
                             const QPaintDevice* device)
{
    const int height = quickLineHeight(face, bold, italic, device);
    return height >= 0 ? height : measuredHeight(face, bold, italic, device);
}

int FontServices::measuredHeight(const QString& face, bool bold, bool italic,
                                 const QPaintDevice* device)
{
    const QFont font = fontFor(face, 0, bold, italic, false, false);
    return device ? QFontMetrics(font, device).height() : QFontMetrics(font).height();
}

QSize FontServices::measureText(const QFont& font, const QString& text, const QPaintDevice* device)
{
    const QFontMetrics metrics = device ? QFontMetrics(font, device) : QFontMetrics(font);
    return {metrics.horizontalAdvance(text), metrics.height()};
}

void FontServices::drawText(QPainter& painter, const QPoint& topLeft, const QString& text)
{
    const QFontMetrics metrics = painter.fontMetrics();
    if (painter.backgroundMode() == Qt::OpaqueMode)
        painter.fillRect(QRect(topLeft, QSize(metrics.horizontalAdvance(text), metrics.height())),
                         painter.background());
    painter.drawText(topLeft.x(), topLeft.y() + metrics.ascent(), text);
}

FaceFile FontServices::faceFileFor(const QFont& font)
{
    const QString family = font.family();
    const QString styleName = font.styleName();
    const bool bold = font.weight() > QFont::Medium;
    const bool italic = font.style() != QFont::StyleNormal;
    const QString key = family + QLatin1Char('\n') + styleName + QLatin1Char('\n') +
                        QLatin1Char(bold ? 'b' : '-') + QLatin1Char(italic ? 'i' : '-');
    State& s = state();
    const auto known = s.faceFiles.constFind(key);
    if (known != s.faceFiles.constEnd())
        return *known;
    FaceFile face;
    // The index answers for every listed family without a match against every installed face;
    // aliases ("Sans Serif", a family not installed) go to fontconfig, as Qt sends them.
    if (!heightIndex().faceFor(family, styleName, bold, italic, &face)) {
        FcPattern* pattern = FcPatternCreate();
        // "Family [Foundry]" is how Qt names a family several foundries make.
        QString familyName = family;
        const qsizetype open = family.lastIndexOf(QLatin1String(" ["));
        if (open > 0 && family.endsWith(QLatin1Char(']'))) {
            familyName = family.left(open);
            const QByteArray foundry = family.mid(open + 2).chopped(1).toUtf8();
            FcPatternAddString(pattern, FC_FOUNDRY,
                               reinterpret_cast<const FcChar8*>(foundry.constData()));
        }
        const QByteArray name = familyName.toUtf8();
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
        if (!styleName.isEmpty()) {
            const QByteArray style = styleName.toUtf8();
            FcPatternAddString(pattern, FC_STYLE,
                               reinterpret_cast<const FcChar8*>(style.constData()));
        }
        face = matchedFace(pattern, bold, italic);
    }
    s.faceFiles.insert(key, face);
    return face;
}

FaceFile FontServices::fallbackFaceFor(char32_t character, const QString& family, bool bold,
                                       bool italic)
{
    const QString key = family + QLatin1Char('\n') + QString::number(character) +
                        QLatin1Char(bold ? 'b' : '-') + QLatin1Char(italic ? 'i' : '-');
    State& s = state();
    const auto known = s.fallbackFaces.constFind(key);
    if (known != s.fallbackFaces.constEnd())
        return *known;
    FcPattern* pattern = FcPatternCreate();
    if (!family.isEmpty()) {
        const QByteArray name = family.toUtf8();
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
    }
    FcCharSet* charset = FcCharSetCreate();
    FcCharSetAddChar(charset, character);
    FcPatternAddCharSet(pattern, FC_CHARSET, charset);
    FcCharSetDestroy(charset);
    const FaceFile face = matchedFace(pattern, bold, italic, character);
    s.fallbackFaces.insert(key, face);
    return face;
}

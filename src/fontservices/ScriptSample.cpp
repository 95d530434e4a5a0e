#include "fontservices/ScriptSample.h"

#include <QHash>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <iterator>
#include <optional>

namespace ScriptSample {

namespace {

// Lines written to show each script's letters, shaped where the script needs it (joined Arabic,
// Indic conjuncts, stacked Tibetan). Every character of a line is one a face made for the script
// has, so that a line is either drawn whole or not chosen.
constexpr std::array<Script, 28> scripts{{
    {"Latin", u"The quick brown fox jumps over the lazy dog"},
    {"Greek", u"Ξεσκεπάζω την ψυχοφθόρα βδελυγμία"},
    {"Cyrillic", u"Съешь же ещё этих мягких французских булок"},
    {"Armenian", u"Հայերեն այբուբեն"},
    {"Hebrew", u"דג סקרן שט בים מאוכזב ולפתע מצא חברה"},
    {"Arabic", u"نص حكيم له سر قاطع وذو شأن عظيم"},
    {"Thaana", u"ދިވެހި ބަސް"},
    {"Devanagari", u"नमस्ते हिन्दी देवनागरी लिपि"},
    {"Bengali", u"স্বাগতম আমার সোনার বাংলা"},
    {"Gurmukhi", u"ਸਤਿ ਸ੍ਰੀ ਅਕਾਲ ਪੰਜਾਬੀ"},
    {"Gujarati", u"નમસ્તે ગુજરાતી લિપિ"},
    {"Oriya", u"ଓଡ଼ିଆ ଲିପି ନମସ୍କାର"},
    {"Tamil", u"தமிழ் எழுத்துக்கள்"},
    {"Telugu", u"తెలుగు అక్షరాలు"},
    {"Kannada", u"ಕನ್ನಡ ಅಕ್ಷರಮಾಲೆ"},
    {"Malayalam", u"നമസ്കാരം മലയാളം"},
    {"Sinhala", u"සිංහල අක්ෂර මාලාව"},
    {"Thai", u"เป็นมนุษย์สุดประเสริฐเลิศคุณค่า"},
    {"Lao", u"ພາສາລາວ ສະບາຍດີ"},
    {"Tibetan", u"བཀྲ་ཤིས་བདེ་ལེགས། བོད་ཡིག"},
    {"Myanmar", u"မြန်မာစာ မင်္ဂလာပါ"},
    {"Georgian", u"ქართული ანბანი"},
    {"Ethiopic", u"ሰላም ለዓለም የግዕዝ ፊደል"},
    {"Cherokee", u"ᏣᎳᎩ ᎦᏬᏂᎯᏍᏗ"},
    {"Khmer", u"អក្សរខ្មែរ សួស្តី"},
    {"Hangul", u"다람쥐 헌 쳇바퀴에 타고파"},
    {"Kana", u"いろはにほへと ちりぬるを カタカナ"},
    {"Han", u"床前明月光 疑是地上霜"},
}};

// Where each script's characters lie, by its index above: a face covers best the script of which
// it maps the most characters.
struct Range
{
    int script;
    char32_t first, last;
};
constexpr Range ranges[] = {
    {0, 0x0041, 0x005A},  {0, 0x0061, 0x007A},  {0, 0x00C0, 0x024F},    {0, 0x1E00, 0x1EFF},
    {1, 0x0370, 0x03FF},  {1, 0x1F00, 0x1FFF},  {2, 0x0400, 0x052F},    {2, 0x1C80, 0x1C8F},
    {2, 0x2DE0, 0x2DFF},  {2, 0xA640, 0xA69F},  {3, 0x0530, 0x058F},    {4, 0x0590, 0x05FF},
    {4, 0xFB1D, 0xFB4F},  {5, 0x0600, 0x06FF},  {5, 0x0750, 0x077F},    {5, 0x0870, 0x08FF},
    {5, 0xFB50, 0xFDFF},  {5, 0xFE70, 0xFEFF},  {6, 0x0780, 0x07BF},    {7, 0x0900, 0x097F},
    {7, 0xA8E0, 0xA8FF},  {8, 0x0980, 0x09FF},  {9, 0x0A00, 0x0A7F},    {10, 0x0A80, 0x0AFF},
    {11, 0x0B00, 0x0B7F}, {12, 0x0B80, 0x0BFF}, {13, 0x0C00, 0x0C7F},   {14, 0x0C80, 0x0CFF},
    {15, 0x0D00, 0x0D7F}, {16, 0x0D80, 0x0DFF}, {17, 0x0E00, 0x0E7F},   {18, 0x0E80, 0x0EFF},
    {19, 0x0F00, 0x0FFF}, {20, 0x1000, 0x109F}, {20, 0xA9E0, 0xA9FF},   {20, 0xAA60, 0xAA7F},
    {21, 0x10A0, 0x10FF}, {21, 0x1C90, 0x1CBF}, {21, 0x2D00, 0x2D2F},   {22, 0x1200, 0x139F},
    {22, 0x2D80, 0x2DDF}, {22, 0xAB00, 0xAB2F}, {23, 0x13A0, 0x13FF},   {23, 0xAB70, 0xABBF},
    {24, 0x1780, 0x17FF}, {24, 0x19E0, 0x19FF}, {25, 0x1100, 0x11FF},   {25, 0x3130, 0x318F},
    {25, 0xAC00, 0xD7AF}, {26, 0x3040, 0x30FF}, {26, 0x31F0, 0x31FF},   {27, 0x3400, 0x4DBF},
    {27, 0x4E00, 0x9FFF}, {27, 0xF900, 0xFAFF}, {27, 0x20000, 0x3134F},
};

// Enough characters to show what a symbol or historic face holds, few enough for one line.
constexpr int runLength = 16;

FT_Library library()
{
    struct Library
    {
        FT_Library handle = nullptr;
        Library() { FT_Init_FreeType(&handle); }
        ~Library() { FT_Done_FreeType(handle); }
    };
    static Library lib;
    return lib.handle;
}

// One face opened for the questions of one call, closed at the end of it: with thousands of
// faces, none is kept open.
class OpenFace
{
public:
    explicit OpenFace(const FaceFile& file)
    {
        if (!file.isValid() || !library() ||
            FT_New_Face(library(), file.file.constData(), file.index, &m_face) != 0) {
            m_face = nullptr;
            return;
        }
        // Only the Unicode map says which characters the face draws as text.
        m_unicode = FT_Select_Charmap(m_face, FT_ENCODING_UNICODE) == 0;
        if (!m_unicode && m_face->num_charmaps > 0)
            FT_Set_Charmap(m_face, m_face->charmaps[0]);
    }
    ~OpenFace()
    {
        if (m_face)
            FT_Done_Face(m_face);
    }
    OpenFace(const OpenFace&) = delete;
    OpenFace& operator=(const OpenFace&) = delete;

    bool isOpen() const { return m_face != nullptr; }
    bool hasUnicodeMap() const { return m_unicode; }
    bool has(char32_t c) const { return m_unicode && FT_Get_Char_Index(m_face, c) != 0; }

    // Whether every character is mapped; spaces and line breaks are passed over if allowed.
    bool hasAll(const QString& text, bool skipSpaces) const
    {
        if (!m_unicode)
            return false;
        for (char32_t c : text.toUcs4()) {
            if (skipSpaces && QChar::isSpace(c))
                continue;
            if (!has(c))
                return false;
        }
        return true;
    }

    // How many characters of each known script the map holds.
    std::array<int, std::size(scripts)> scriptCounts() const
    {
        std::array<int, std::size(scripts)> counts{};
        if (!m_unicode)
            return counts;
        FT_UInt glyph = 0;
        for (FT_ULong c = FT_Get_First_Char(m_face, &glyph); glyph != 0;
             c = FT_Get_Next_Char(m_face, c, &glyph)) {
            for (const Range& r : ranges) {
                if (c >= r.first && c <= r.last) {
                    ++counts[size_t(r.script)];
                    break;
                }
            }
        }
        return counts;
    }

    // The first characters of the face's map in code order that show something on their own.
    // Letters beyond Latin-1 come first: many faces carry Latin-1 digits, shared punctuation or
    // a placeholder circle beside their own script. Faces without such letters (symbols, digits,
    // pictographs, whose few letter-like signs say nothing) show their first characters beyond
    // Latin-1, then any.
    QString firstCharacters() const
    {
        constexpr int fewestLetters = 4;
        if (const QString letters = run(0xFF, true); letters.size() >= fewestLetters)
            return letters;
        if (const QString beyond = run(0xFF, false); !beyond.isEmpty())
            return beyond;
        return run(0, false);
    }

private:
    QString run(FT_ULong after, bool lettersOnly) const
    {
        QString text;
        FT_UInt glyph = 0;
        int taken = 0;
        for (FT_ULong c = FT_Get_Next_Char(m_face, after, &glyph); glyph != 0 && taken < runLength;
             c = FT_Get_Next_Char(m_face, c, &glyph)) {
            if (c > 0x10FFFF)
                break;
            if (!showsOnItsOwn(char32_t(c)) || (lettersOnly && !QChar::isLetter(char32_t(c))))
                continue;
            const auto character = char32_t(c);
            text.append(QString::fromUcs4(&character, 1));
            ++taken;
        }
        return text;
    }

    bool showsOnItsOwn(char32_t c) const
    {
        // A symbol map's codes are drawn as they are; its own letters have no Unicode meaning.
        if (!m_unicode)
            return c > 0x20 && (c < 0x7F || c > 0x9F);
        // The dotted circle stands for a missing base letter; it shows nothing of the face.
        if (QChar::isSpace(c) || QChar::isNonCharacter(c) || c == 0x25CC)
            return false;
        switch (QChar::category(c)) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Other_Surrogate:
        case QChar::Other_NotAssigned:
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
            return false;
        default:
            return true;
        }
    }

    FT_Face m_face = nullptr;
    bool m_unicode = false;
};

QByteArray keyOf(const FaceFile& face)
{
    return face.file + '#' + QByteArray::number(face.index);
}

// What is known of a face: the characters asked about so far, and its sample for a message it
// cannot show. The message changes with every face (it holds the name), so the answers are kept
// per character.
struct Known
{
    QHash<char32_t, bool> has;
    std::optional<QString> fallback;
    bool unreadable = false;
};

QHash<QByteArray, Known>& cache()
{
    static QHash<QByteArray, Known> known;
    return known;
}

QString fallbackOf(const OpenFace& open)
{
    // Only a line the face draws whole is a candidate; of those, the script the face holds the
    // most characters of, the earlier one on a tie.
    const auto counts = open.scriptCounts();
    int best = -1;
    for (int i = 0; i < int(scripts.size()); ++i) {
        if (counts[size_t(i)] > (best < 0 ? 0 : counts[size_t(best)]) &&
            open.hasAll(QString::fromUtf16(scripts[size_t(i)].line), false))
            best = i;
    }
    return best >= 0 ? QString::fromUtf16(scripts[size_t(best)].line) : open.firstCharacters();
}

} // namespace

bool covers(const FaceFile& face, const QString& text)
{
    const OpenFace open(face);
    return open.isOpen() && open.hasAll(text, true);
}

QString sampleFor(const FaceFile& face, const QString& message)
{
    Known& known = cache()[keyOf(face)];
    // Nothing can be said of a face that does not open: its row keeps the message.
    if (known.unreadable)
        return message;
    // The face is opened only for what is not known yet, and closed again on return.
    std::optional<OpenFace> open;
    const auto opened = [&]() -> const OpenFace& {
        if (!open)
            open.emplace(face);
        return *open;
    };
    bool showsMessage = true;
    for (char32_t c : message.toUcs4()) {
        if (QChar::isSpace(c))
            continue;
        auto it = known.has.find(c);
        if (it == known.has.end()) {
            if (!opened().isOpen()) {
                known.unreadable = true;
                return message;
            }
            it = known.has.insert(c, opened().has(c));
        }
        if (!*it) {
            showsMessage = false;
            break;
        }
    }
    if (showsMessage)
        return message;
    if (!known.fallback)
        known.fallback = fallbackOf(opened());
    return *known.fallback;
}

int scriptCount()
{
    return int(scripts.size());
}

Script script(int index)
{
    return scripts.at(size_t(index));
}

void clearCache()
{
    cache().clear();
}

} // namespace ScriptSample

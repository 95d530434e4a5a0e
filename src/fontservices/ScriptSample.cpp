#include "fontservices/ScriptSample.h"

#include "engine/TextLayout.h"

#include <QHash>

#include <QtEndian>

#include <array>
#include <iterator>
#include <memory>
#include <optional>

namespace ScriptSample {

namespace {

// Lines written to show each script's letters, shaped where the script needs it (joined Arabic,
// Indic conjuncts, stacked Tibetan). Every character of a line is one a face made for the script
// has, so that a line is either drawn whole or not chosen.
constexpr std::array<Script, 28> scripts{{
    {"Latin", u"The quick brown fox jumps over the lazy dog"},
    {"Greek", u"Ξεσκεπάζω την ψυχοφθόρα"},
    {"Cyrillic", u"Съешь ещё этих мягких булок"},
    {"Armenian", u"Հայերեն այբուբեն"},
    {"Hebrew", u"דג סקרן שט בים"},
    {"Arabic", u"نص حكيم له سر قاطع"},
    {"Thaana", u"ދިވެހި ބަސް"},
    {"Devanagari", u"नमस्ते देवनागरी लिपि"},
    {"Bengali", u"স্বাগতম আমার সোনার বাংলা"},
    {"Gurmukhi", u"ਸਤਿ ਸ੍ਰੀ ਅਕਾਲ ਪੰਜਾਬੀ"},
    {"Gujarati", u"નમસ્તે ગુજરાતી લિપિ"},
    {"Oriya", u"ଓଡ଼ିଆ ଲିପି ନମସ୍କାର"},
    {"Tamil", u"தமிழ் எழுத்துக்கள்"},
    {"Telugu", u"తెలుగు అక్షరాలు"},
    {"Kannada", u"ಕನ್ನಡ ಅಕ್ಷರಮಾಲೆ"},
    {"Malayalam", u"നമസ്കാരം മലയാളം"},
    {"Sinhala", u"සිංහල අක්ෂර මාලාව"},
    {"Thai", u"เป็นมนุษย์สุดประเสริฐ"},
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

// Calls f with each code point of the text, pairs of surrogates joined, until f says stop.
template <typename F> bool eachCharacter(QStringView text, F f)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
        if (!f(c))
            return false;
    }
    return true;
}

// Whether every character is mapped; spaces and line breaks are passed over if allowed.
bool hasAll(const CharacterMap& map, QStringView text, bool skipSpaces)
{
    return map.isUnicode() && eachCharacter(text, [&](char32_t c) {
               return (skipSpaces && QChar::isSpace(c)) || map.has(c);
           });
}

// How many characters of a known script the map holds: only the codes in its ranges are walked.
int charactersOf(const CharacterMap& map, int script)
{
    int count = 0;
    for (const Range& r : ranges) {
        if (r.script != script)
            continue;
        for (qint64 pos = qint64(r.first) - 1; map.next(pos) && pos <= qint64(r.last);)
            ++count;
    }
    return count;
}

bool showsOnItsOwn(const CharacterMap& map, char32_t c)
{
    // A symbol map's codes are drawn as they are; its own letters have no Unicode meaning.
    if (!map.isUnicode())
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

// Up to runLength characters after `after` (-1: from the first) that show on their own.
QString run(const CharacterMap& map, qint64 after, bool lettersOnly)
{
    QString text;
    int taken = 0;
    for (qint64 pos = after; taken < runLength && map.next(pos);) {
        const auto c = char32_t(pos);
        if (!showsOnItsOwn(map, c) || (lettersOnly && !QChar::isLetter(c)))
            continue;
        text.append(QString::fromUcs4(&c, 1));
        ++taken;
    }
    return text;
}

// The first characters of the face's map in code order that show something on their own.
// Letters beyond Latin-1 come first: many faces carry Latin-1 digits, shared punctuation or a
// placeholder circle beside their own script. Faces without such letters (symbols, digits,
// pictographs, whose few letter-like signs say nothing) show their first characters beyond
// Latin-1, then any.
QString firstCharacters(const CharacterMap& map)
{
    constexpr int fewestLetters = 4;
    if (const QString letters = run(map, 0xFF, true); letters.size() >= fewestLetters)
        return letters;
    if (const QString beyond = run(map, 0xFF, false); !beyond.isEmpty())
        return beyond;
    return run(map, -1, false);
}

QByteArray keyOf(const FaceFile& face)
{
    return face.file + '#' + QByteArray::number(face.index);
}

// What is known of a face: the last message asked about with its sample, and its sample for a
// message it cannot show. The message changes with every face (it holds the name) but stays the
// same for a face from one run to the next.
struct Known
{
    QString message;
    QString sample;
    std::optional<QString> fallback;
    bool unreadable = false;
};

QHash<QByteArray, Known>& cache()
{
    static QHash<QByteArray, Known> known;
    return known;
}

QString fallbackOf(const CharacterMap& map)
{
    // Only a line the face draws whole is a candidate (most faces fail at a line's first
    // character); of several, the script the face holds the most characters of, the earlier one
    // on a tie.
    int best = -1;
    int bestCount = 0;
    bool several = false;
    for (int i = 0; i < int(scripts.size()); ++i) {
        const QStringView line(scripts[size_t(i)].line);
        if (!map.has(line.at(0).unicode()) || !hasAll(map, line, false))
            continue;
        if (best < 0) {
            best = i;
            continue;
        }
        if (!several) {
            bestCount = charactersOf(map, best);
            several = true;
        }
        if (const int count = charactersOf(map, i); count > bestCount) {
            best = i;
            bestCount = count;
        }
    }
    return best >= 0 ? QString::fromUtf16(scripts[size_t(best)].line) : firstCharacters(map);
}

QString choose(const FaceFile& face, const QString& message)
{
    Known& known = cache()[keyOf(face)];
    // Nothing can be said of a face that does not open: its row keeps the message.
    if (known.unreadable)
        return message;
    if (!known.message.isNull() && known.message == message)
        return known.sample;
    const auto map = TextShaper::characterMap(face);
    if (!map->isOpen()) {
        known.unreadable = true;
        return message;
    }
    known.message = message;
    if (hasAll(*map, message, true)) {
        known.sample = message;
    } else {
        if (!known.fallback)
            known.fallback = fallbackOf(*map);
        known.sample = *known.fallback;
    }
    return known.sample;
}

} // namespace

bool hasUnicodeSubtable(const char* cmap, unsigned length)
{
    const auto* data = reinterpret_cast<const uchar*>(cmap);
    if (!data || length < 4)
        return false;
    const unsigned count = qFromBigEndian<quint16>(data + 2);
    for (unsigned i = 0; i < count && 4 + 8 * (i + 1) <= length; ++i) {
        const uchar* record = data + 4 + 8 * i;
        const unsigned platform = qFromBigEndian<quint16>(record);
        const unsigned encoding = qFromBigEndian<quint16>(record + 2);
        if (platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10)))
            return true;
    }
    return false;
}

bool covers(const FaceFile& face, const QString& text)
{
    const auto map = TextShaper::characterMap(face);
    return map->isOpen() && hasAll(*map, text, true);
}

QString sampleFor(const FaceFile& face, const QString& message)
{
    return choose(face, message);
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

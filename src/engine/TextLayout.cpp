#include "engine/TextLayout.h"

#include "engine/PagePainter.h"

#include "fontservices/FontServices.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H
#include <hb-ft.h>
#include <hb-ot.h>
#include <hb.h>

#include <sys/stat.h>

#include <QChar>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>

namespace {

// Products and quotients of fixed-point values with `bits` fractional bits, rounded half away
// from zero: Qt's 26.6 (QFixed) and FreeType's 16.16 (FT_MulFix, FT_DivFix). Reproducing their
// arithmetic makes heights come out to the pixel as QFontMetrics reports them.
template <int bits> qint64 roundedMultiply(qint64 a, qint64 b)
{
    const bool negative = (a < 0) != (b < 0);
    const qint64 r = (std::abs(a) * std::abs(b) + (qint64(1) << (bits - 1))) >> bits;
    return negative ? -r : r;
}
template <int bits> qint64 roundedDivide(qint64 a, qint64 b)
{
    const bool negative = (a < 0) != (b < 0);
    const qint64 r = ((std::abs(a) << bits) + (std::abs(b) >> 1)) / std::abs(b);
    return negative ? -r : r;
}

qint64 fixedMultiply(qint64 a, qint64 b)
{
    return roundedMultiply<6>(a, b);
}
qint64 fixedDivide(qint64 a, qint64 b)
{
    return b == 0 ? 0 : roundedDivide<6>(a, b);
}
qint64 fixedFromReal(double r)
{
    return qint64(r * 64.0);
}
int fixedRound(qint64 v)
{
    return int((v + 32) >> 6);
}
double fixedToReal(qint64 v)
{
    return double(v) / 64.0;
}

// A face's line metrics at one size, as Qt's FreeType engine holds them (26.6).
struct FaceMetrics
{
    qint64 ascent = 0;
    qint64 descent = 0;
    qint64 leading = 0;
    qint64 underlinePosition = 0;
    qint64 lineThickness = 64;
    double emSize = 0;     // the size glyphs are drawn at
    double glyphScale = 1; // layout units per shaping pixel (bitmap strikes are scaled)
};

struct OpenFace
{
    hb_blob_t* blob = nullptr;
    hb_face_t* face = nullptr;
    hb_font_t* hb = nullptr;
    FT_Face ft = nullptr;
    QByteArray path;
    int index = 0;
    bool valid = false;
    // Shaped through FreeType: files HarfBuzz cannot read itself, and faces of bitmap strikes
    // only, whose sizes FreeType selects.
    bool viaFreeType = false;
    bool embeddedBitmaps = false;
    bool colour = false;
    bool outlinesInPdf = false;
    FT_F26Dot6 charSize = 0; // size set for shaping
    int strike = -1;         // strike selected on a bitmap face
    std::vector<std::pair<qint64, FaceMetrics>> metrics;

    OpenFace() = default;
    OpenFace(const OpenFace&) = delete;
    OpenFace& operator=(const OpenFace&) = delete;
    ~OpenFace()
    {
        if (hb)
            hb_font_destroy(hb);
        if (face)
            hb_face_destroy(face);
        if (blob)
            hb_blob_destroy(blob);
        if (ft)
            FT_Done_Face(ft);
    }
    bool hasGlyph(char32_t c) const
    {
        hb_codepoint_t glyph = 0;
        return hb && hb_font_get_nominal_glyph(hb, c, &glyph) && glyph != 0;
    }
    FT_Face freeType();
};

// FreeType objects are not shared between threads: each thread opens its own library and
// keeps its recently used faces.
struct ThreadFaces
{
    FT_Library library = nullptr;
    std::deque<std::pair<QByteArray, std::shared_ptr<OpenFace>>> recent;
    hb_buffer_t* buffer = nullptr;

    ThreadFaces()
    {
        if (FT_Init_FreeType(&library) != 0)
            library = nullptr;
        buffer = hb_buffer_create();
    }
    ~ThreadFaces()
    {
        recent.clear();
        hb_buffer_destroy(buffer);
        if (library)
            FT_Done_FreeType(library);
    }
};

ThreadFaces& threadFaces()
{
    thread_local ThreadFaces faces;
    return faces;
}

constexpr size_t recentFaceCount = 16;

// FreeType is opened only where the tables do not answer: it costs as much as the rest.
FT_Face OpenFace::freeType()
{
    if (ft || !valid)
        return ft;
    FT_Library library = threadFaces().library;
    if (!library || FT_New_Face(library, path.constData(), index, &ft) != 0)
        ft = nullptr;
    return ft;
}

bool hasTable(hb_face_t* face, hb_tag_t tag)
{
    hb_blob_t* blob = hb_face_reference_table(face, tag);
    const bool present = hb_blob_get_length(blob) > 0;
    hb_blob_destroy(blob);
    return present;
}

// The face, opened once and kept among the recent ones; a face that cannot be opened comes
// back invalid, and draws nothing.
std::shared_ptr<OpenFace> openFace(const FaceFile& file)
{
    ThreadFaces& t = threadFaces();
    QByteArray key = file.file;
    key += '\n';
    key += QByteArray::number(file.index);
    for (auto it = t.recent.begin(); it != t.recent.end(); ++it) {
        if (it->first == key) {
            auto found = *it;
            t.recent.erase(it);
            t.recent.push_front(found);
            return found.second;
        }
    }
    auto f = std::make_shared<OpenFace>();
    f->path = file.file;
    f->index = file.index;
    struct stat info;
    // Only a regular file: a FIFO or a device would block or never end.
    if (file.isValid() && ::stat(file.file.constData(), &info) == 0 && S_ISREG(info.st_mode)) {
        f->valid = true;
        f->blob = hb_blob_create_from_file_or_fail(file.file.constData());
        if (f->blob)
            f->face = hb_face_create(f->blob, unsigned(file.index & 0xffff));
        const bool outlines = f->face && (hasTable(f->face, HB_TAG('g', 'l', 'y', 'f')) ||
                                          hasTable(f->face, HB_TAG('C', 'F', 'F', ' ')) ||
                                          hasTable(f->face, HB_TAG('C', 'F', 'F', '2')));
        if (outlines && hb_face_get_glyph_count(f->face) > 0) {
            f->embeddedBitmaps = hasTable(f->face, HB_TAG('E', 'B', 'L', 'C')) ||
                                 hasTable(f->face, HB_TAG('C', 'B', 'L', 'C')) ||
                                 hasTable(f->face, HB_TAG('b', 'd', 'a', 't'));
            f->colour = hb_ot_color_has_layers(f->face) || hb_ot_color_has_png(f->face);
            f->hb = hb_font_create(f->face);
            if (file.index >> 16)
                hb_font_set_var_named_instance(f->hb, unsigned(file.index >> 16) - 1);
        } else if (FT_Face ft = f->freeType();
                   ft && (FT_IS_SCALABLE(ft) || ft->num_fixed_sizes > 0)) {
            // WOFF and the like: FreeType reads their tables.
            f->viaFreeType = true;
            f->colour = FT_HAS_COLOR(ft);
            f->hb = hb_ft_font_create_referenced(ft);
            if (f->face)
                hb_face_destroy(f->face);
            f->face = hb_face_reference(hb_font_get_face(f->hb));
            f->embeddedBitmaps = !FT_IS_SCALABLE(ft) ||
                                 hasTable(f->face, HB_TAG('E', 'B', 'L', 'C')) ||
                                 hasTable(f->face, HB_TAG('C', 'B', 'L', 'C')) ||
                                 hasTable(f->face, HB_TAG('b', 'd', 'a', 't'));
        } else {
            f->valid = false;
        }
    }
    if (f->face && hasTable(f->face, HB_TAG('C', 'F', 'F', ' '))) {
        hb_blob_t* cff = hb_face_reference_table(f->face, HB_TAG('C', 'F', 'F', ' '));
        unsigned length = 0;
        const char* data = hb_blob_get_data(cff, &length);
        f->outlinesInPdf =
            data && PagePainter::cffSubsetterFails(reinterpret_cast<const uchar*>(data), length);
        hb_blob_destroy(cff);
    }
    t.recent.emplace_front(key, f);
    if (t.recent.size() > recentFaceCount)
        t.recent.pop_back();
    return f;
}

// The strike Qt takes for a bitmap face: the nearest for plain bitmaps, the smallest not below
// the size for colour ones (which are scaled).
int bestStrike(FT_Face face, FT_Pos ysize, FT_Pos xsize)
{
    int best = 0;
    const FT_Bitmap_Size* s = face->available_sizes;
    if (!FT_HAS_COLOR(face)) {
        for (int i = 1; i < face->num_fixed_sizes; ++i) {
            const FT_Pos d = std::abs(ysize - s[i].y_ppem);
            const FT_Pos bestD = std::abs(ysize - s[best].y_ppem);
            if (d < bestD ||
                (d == bestD && std::abs(xsize - s[i].x_ppem) < std::abs(xsize - s[best].x_ppem)))
                best = i;
        }
    } else {
        for (int i = 1; i < face->num_fixed_sizes; ++i) {
            if (s[i].y_ppem < ysize) {
                if (s[i].y_ppem > s[best].y_ppem)
                    best = i;
            } else if (s[best].y_ppem < ysize || s[i].y_ppem < s[best].y_ppem) {
                best = i;
            }
        }
    }
    return best;
}

FT_F26Dot6 charSizeOf(double pixelSize)
{
    return std::max<FT_F26Dot6>(1, std::lround(pixelSize * 64));
}

// Puts the face at the size Qt's engine gives the pixel size, for shaping: HarfBuzz works in
// 1/64 pixel either way.
void applySize(OpenFace& f, double pixelSize)
{
    const FT_F26Dot6 ysize = charSizeOf(pixelSize);
    if (!f.viaFreeType) {
        if (f.charSize != ysize) {
            hb_font_set_scale(f.hb, int(ysize), int(ysize));
            f.charSize = ysize;
        }
        return;
    }
    if (FT_IS_SCALABLE(f.ft)) {
        if (f.charSize != ysize && FT_Set_Char_Size(f.ft, ysize, ysize, 0, 0) == 0) {
            f.charSize = ysize;
            hb_ft_font_changed(f.hb);
        }
        return;
    }
    const int strike = bestStrike(f.ft, ysize, ysize);
    if (f.strike != strike && FT_Select_Size(f.ft, strike) == 0) {
        f.strike = strike;
        hb_ft_font_changed(f.hb);
    }
}

qint16 s16(const char* p)
{
    return qint16((uchar(p[0]) << 8) | uchar(p[1]));
}
quint16 u16(const char* p)
{
    return quint16((uchar(p[0]) << 8) | uchar(p[1]));
}

// A table's bytes, at least `size` of them, or nothing.
struct Table
{
    hb_blob_t* blob;
    const char* data = nullptr;
    Table(hb_face_t* face, hb_tag_t tag, unsigned size) : blob(hb_face_reference_table(face, tag))
    {
        unsigned length = 0;
        const char* bytes = hb_blob_get_data(blob, &length);
        if (length >= size)
            data = bytes;
    }
    ~Table() { hb_blob_destroy(blob); }
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;
};

// FreeType's rounding multiplication and division of 16.16 values.
qint64 ftMulFix(qint64 a, qint64 b)
{
    return roundedMultiply<16>(a, b);
}
qint64 ftDivFix(qint64 a, qint64 b)
{
    return b == 0 ? 0x7fffffff : roundedDivide<16>(a, b);
}

// Ascent, descent and leading as Qt 6.4's FreeType engine takes them: hhea, then OS/2, scaled
// with QFixed's rounding, over FreeType's own size metrics (a bitmap strike's where one matches
// the size exactly); faces with embedded bitmaps keep FreeType's; colour strikes are scaled to
// the size. The underline as FreeType scales the post table's.
FaceMetrics freeTypeMetrics(OpenFace& f, double pixelSize, int weight);

bool tableMetrics(OpenFace& f, double pixelSize, FaceMetrics* m)
{
    const Table head(f.face, HB_TAG('h', 'e', 'a', 'd'), 54);
    const Table hhea(f.face, HB_TAG('h', 'h', 'e', 'a'), 10);
    if (!head.data || !hhea.data || (s16(hhea.data + 4) == 0 && s16(hhea.data + 6) == 0))
        return false;
    const qint64 unitsPerEm = u16(head.data + 18);
    if (unitsPerEm == 0)
        return false;
    FT_F26Dot6 ysize = charSizeOf(pixelSize);
    m->emSize = ysize / 64.0;
    // TrueType faces that ask for whole pixels per em get them.
    if ((u16(head.data + 16) & 8) && hasTable(f.face, HB_TAG('g', 'l', 'y', 'f')))
        ysize = (ysize + 32) & -64;
    const qint64 yScale = ftDivFix(ysize, unitsPerEm);
    auto scaled = [&](double units) {
        return fixedDivide(fixedFromReal(units * pixelSize), unitsPerEm * 64);
    };
    m->ascent = scaled(s16(hhea.data + 4));
    m->descent = -scaled(s16(hhea.data + 6));
    m->leading = scaled(s16(hhea.data + 8));
    const Table os2(f.face, HB_TAG('O', 'S', '/', '2'), 78);
    if (os2.data) {
        constexpr quint16 useTypoMetrics = 0x80;
        if (u16(os2.data + 62) & useTypoMetrics) {
            if (s16(os2.data + 68) != 0 || s16(os2.data + 70) != 0) {
                m->ascent = scaled(s16(os2.data + 68));
                m->descent = -scaled(s16(os2.data + 70));
                m->leading = scaled(s16(os2.data + 72));
            }
        } else if (u16(os2.data + 74) != 0 || u16(os2.data + 76) != 0) {
            // Qt 6.4 keeps the leading it had when it takes the Windows metrics.
            m->ascent = scaled(u16(os2.data + 74));
            m->descent = scaled(u16(os2.data + 76));
        }
    }
    const Table post(f.face, HB_TAG('p', 'o', 's', 't'), 12);
    qint64 position = 0;
    qint64 thickness = 0;
    if (post.data) {
        thickness = s16(post.data + 10);
        position = s16(post.data + 8) - thickness / 2;
    }
    m->lineThickness = ftMulFix(thickness, yScale);
    m->underlinePosition = -ftMulFix(position, yScale) - m->lineThickness / 2;
    if (m->lineThickness < 64)
        m->lineThickness = 64;
    return true;
}

FaceMetrics computeMetrics(OpenFace& f, double pixelSize, int weight)
{
    FaceMetrics m;
    if (f.valid && !f.embeddedBitmaps && tableMetrics(f, pixelSize, &m))
        return m;
    return freeTypeMetrics(f, pixelSize, weight);
}

FaceMetrics freeTypeMetrics(OpenFace& f, double pixelSize, int weight)
{
    FaceMetrics m;
    FT_Face face = f.freeType();
    if (!face) {
        m.ascent = fixedFromReal(0.8 * pixelSize);
        m.descent = fixedFromReal(0.2 * pixelSize);
        m.underlinePosition = 64;
        m.emSize = pixelSize;
        return m;
    }
    const FT_F26Dot6 ysize = charSizeOf(pixelSize);
    qint64 scaleFactor = 64;
    if (FT_IS_SCALABLE(face)) {
        FT_Set_Char_Size(face, ysize, ysize, 0, 0);
        if (f.viaFreeType)
            f.charSize = ysize;
    } else {
        const int strike = bestStrike(face, ysize, ysize);
        if (FT_Select_Size(face, strike) == 0)
            f.strike = strike;
    }
    if (f.viaFreeType)
        hb_ft_font_changed(f.hb);
    FT_Size_Metrics size = face->size->metrics;
    if (FT_IS_SCALABLE(face)) {
        m.emSize = ysize / 64.0;
        for (int i = 0; i < face->num_fixed_sizes; ++i) {
            if (face->available_sizes[i].x_ppem != ysize ||
                face->available_sizes[i].y_ppem != ysize)
                continue;
            // The strike's own ascent and descent, as FreeType gives them for a bitmap face.
            face->face_flags &= ~FT_FACE_FLAG_SCALABLE;
            FT_Select_Size(face, i);
            const FT_Size_Metrics strike = face->size->metrics;
            if (strike.ascender + strike.descender > 0) {
                const FT_Pos leading = size.height - size.ascender + size.descender;
                size.ascender = strike.ascender;
                size.descender = strike.descender;
                if (size.descender > 0 && qstrcmp(face->family_name, "Courier New") == 0)
                    size.descender = -size.descender;
                size.height = size.ascender - size.descender + leading;
            }
            FT_Set_Char_Size(face, ysize, ysize, 0, 0);
            face->face_flags |= FT_FACE_FLAG_SCALABLE;
            if (f.viaFreeType)
                hb_ft_font_changed(f.hb);
            break;
        }
        m.lineThickness = FT_MulFix(face->underline_thickness, face->size->metrics.y_scale);
        const qint64 centre = -FT_MulFix(face->underline_position, face->size->metrics.y_scale);
        m.underlinePosition = centre - m.lineThickness / 2;
    } else {
        const FT_Bitmap_Size& strike = face->available_sizes[f.strike < 0 ? 0 : f.strike];
        if (FT_HAS_COLOR(face) && strike.height > 0)
            scaleFactor = std::max<qint64>(1, fixedFromReal(pixelSize / strike.height));
        m.emSize = strike.y_ppem / 64.0 * scaleFactor / 64.0;
        m.glyphScale = scaleFactor / 64.0;
        // Qt's rule of thumb, on its weights of 100 to 900.
        const int score = int(weight * pixelSize / 10);
        int thickness = score / 700;
        if (thickness < 2 && score >= 1050)
            thickness = 2;
        m.lineThickness = qint64(thickness) * 64;
        m.underlinePosition = qint64(((thickness * 2) + 3) / 6) * 64;
    }
    if (m.lineThickness < 64)
        m.lineThickness = 64;

    m.ascent = size.ascender;
    m.descent = -size.descender;
    m.leading = size.height - size.ascender + size.descender;
    if (FT_IS_SFNT(face) && !f.embeddedBitmaps && f.face) {
        // A face without hhea metrics: OS/2's over FreeType's.
        const qint64 unitsPerEm = qint64(face->units_per_EM) * 64;
        auto scaled = [&](double units) {
            return fixedDivide(fixedFromReal(units * pixelSize), unitsPerEm);
        };
        const Table os2(f.face, HB_TAG('O', 'S', '/', '2'), 78);
        if (os2.data) {
            if (u16(os2.data + 62) & 0x80) {
                if (s16(os2.data + 68) != 0 || s16(os2.data + 70) != 0) {
                    m.ascent = scaled(s16(os2.data + 68));
                    m.descent = -scaled(s16(os2.data + 70));
                    m.leading = scaled(s16(os2.data + 72));
                }
            } else if (u16(os2.data + 74) != 0 || u16(os2.data + 76) != 0) {
                m.ascent = scaled(u16(os2.data + 74));
                m.descent = scaled(u16(os2.data + 76));
            }
        }
    }
    if (scaleFactor != 64) {
        m.ascent = fixedMultiply(m.ascent, scaleFactor);
        m.descent = fixedMultiply(m.descent, scaleFactor);
        m.leading = fixedMultiply(m.leading, scaleFactor);
    }
    return m;
}

double pixelSizeOf(const QFont& font)
{
    if (font.pixelSize() > 0)
        return font.pixelSize();
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 10.0;
    return std::max(1.0, std::round(points * 96.0 / 72.0));
}

const FaceMetrics& metricsAt(OpenFace& f, double pixelSize, int weight)
{
    const qint64 key = (qint64(std::lround(pixelSize * 64)) << 12) | (weight & 0xfff);
    for (const auto& [k, m] : f.metrics) {
        if (k == key)
            return m;
    }
    f.metrics.emplace_back(key, computeMetrics(f, pixelSize, weight));
    return f.metrics.back().second;
}

// ---- Text analysis ----

bool isSpace(char32_t c)
{
    return c == 0x20 || c == 0x3000 || c == 0x1680 || (c >= 0x2000 && c <= 0x200a && c != 0x2007) ||
           c == 0x205f;
}

bool isIdeographic(char32_t c)
{
    return (c >= 0x2e80 && c <= 0x2fff) || (c >= 0x3040 && c <= 0x30ff) ||
           (c >= 0x3400 && c <= 0x4dbf) || (c >= 0x4e00 && c <= 0x9fff) ||
           (c >= 0xac00 && c <= 0xd7a3) || (c >= 0xf900 && c <= 0xfaff) ||
           (c >= 0x20000 && c <= 0x3ffff);
}

// Closing punctuation and small kana stay with what comes before them; opening punctuation
// with what follows.
bool noBreakBefore(char32_t c)
{
    static const char32_t closing[] = {
        0x3001, 0x3002, 0xff0c, 0xff0e, 0xff1a, 0xff1b, 0xff01, 0xff1f, 0x300d, 0x300f,
        0x3009, 0x300b, 0x3011, 0x3015, 0x3017, 0x3019, 0x301b, 0xff09, 0x30fc, 0x3005,
        0x3063, 0x30c3, 0x3083, 0x3085, 0x3087, 0x30e3, 0x30e5, 0x30e7, ')',    ']',
        '}',    ',',    '.',    ':',    ';',    '!',    '?',    0x00bb, 0x2019, 0x201d};
    return std::find(std::begin(closing), std::end(closing), c) != std::end(closing);
}
bool noBreakAfter(char32_t c)
{
    static const char32_t opening[] = {0x300c, 0x300e, 0x3008, 0x300a, 0x3010, 0x3014,
                                       0x3016, 0x3018, 0x301a, 0xff08, '(',    '[',
                                       '{',    0x00ab, 0x2018, 0x201c};
    return std::find(std::begin(opening), std::end(opening), c) != std::end(opening);
}

bool breakAllowedBefore(const std::vector<char32_t>& cps, size_t i)
{
    const char32_t prev = cps[i - 1];
    const char32_t cur = cps[i];
    if (isSpace(cur))
        return false;
    if (isSpace(prev) || prev == 0x200b)
        return true;
    if ((prev == '-' || prev == 0x2010 || prev == 0x2012 || prev == 0x2013) && i >= 2 &&
        QChar::isLetter(cps[i - 2]) && QChar::isLetter(cur))
        return true;
    if ((isIdeographic(prev) || isIdeographic(cur)) && !noBreakBefore(cur) && !noBreakAfter(prev))
        return true;
    return false;
}

bool attachesToPrevious(char32_t c)
{
    const QChar::Category cat = QChar::category(c);
    return cat == QChar::Mark_NonSpacing || cat == QChar::Mark_Enclosing ||
           cat == QChar::Mark_SpacingCombining || cat == QChar::Other_Format ||
           (c >= 0xfe00 && c <= 0xfe0f) || (c >= 0xe0100 && c <= 0xe01ef);
}

// Embedding levels by a plain rule set: the paragraph's direction from its first strong
// character, neutrals taking the direction of strong neighbours that agree, numbers after
// right-to-left text kept left to right within it.
std::vector<uint8_t> bidiLevels(const std::vector<char32_t>& cps, size_t from, size_t to,
                                uint8_t* base)
{
    enum Type : uint8_t { L, R, Num, Neutral };
    std::vector<uint8_t> types(to - from);
    *base = 0;
    bool baseFound = false;
    bool anyRtl = false;
    for (size_t i = from; i < to; ++i) {
        Type t = Neutral;
        switch (QChar::direction(cps[i])) {
        case QChar::DirL:
        case QChar::DirLRE:
        case QChar::DirLRO:
            t = L;
            break;
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirRLE:
        case QChar::DirRLO:
            t = R;
            anyRtl = true;
            break;
        case QChar::DirEN:
        case QChar::DirAN:
            t = Num;
            break;
        case QChar::DirNSM:
            t = i > from ? Type(types[i - from - 1]) : Neutral;
            break;
        default:
            break;
        }
        types[i - from] = t;
        if (!baseFound && (t == L || t == R)) {
            *base = t == R ? 1 : 0;
            baseFound = true;
        }
    }
    std::vector<uint8_t> levels(to - from, *base);
    if (!anyRtl && *base == 0)
        return levels;
    const Type baseType = *base ? R : L;
    // European numbers after left-to-right text (or at the start of a left-to-right paragraph)
    // are left to right.
    Type lastStrong = baseType;
    for (auto& t : types) {
        if (t == L || t == R)
            lastStrong = Type(t);
        else if (t == Num && lastStrong == L)
            t = L;
    }
    for (size_t i = 0; i < types.size();) {
        if (types[i] != Neutral) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < types.size() && types[j] == Neutral)
            ++j;
        const Type before = i == 0 ? baseType : (types[i - 1] == L ? L : R);
        const Type after = j == types.size() ? baseType : (types[j] == L ? L : R);
        const Type resolved = before == after ? before : baseType;
        for (size_t k = i; k < j; ++k)
            types[k] = resolved;
        i = j;
    }
    for (size_t i = 0; i < types.size(); ++i) {
        if (*base == 0)
            levels[i] = types[i] == L ? 0 : types[i] == R ? 1 : 2;
        else
            levels[i] = types[i] == R ? 1 : 2;
    }
    return levels;
}

hb_script_t scriptOf(char32_t c)
{
    return hb_unicode_script(hb_unicode_funcs_get_default(), c);
}

struct UsedFace
{
    FaceFile file;
    std::shared_ptr<OpenFace> open;
    FaceMetrics metrics;
};

struct Shaped
{
    size_t start = 0;
    size_t end = 0;
    int face = 0;
    bool rtl = false;
    std::vector<hb_glyph_info_t> infos;
    std::vector<hb_glyph_position_t> positions;
};

struct Shaper
{
    const QFont& font;
    double pixelSize;
    int weight;
    bool bold;
    bool italic;
    std::vector<UsedFace> faces;
    std::vector<char32_t> cps;

    int faceFor(const FaceFile& file)
    {
        for (size_t i = 0; i < faces.size(); ++i) {
            if (faces[i].file == file)
                return int(i);
        }
        UsedFace used;
        used.file = file;
        used.open = openFace(file);
        used.metrics = metricsAt(*used.open, pixelSize, weight);
        faces.push_back(std::move(used));
        return int(faces.size() - 1);
    }

    // The face for a character: the font's own when it has the character, else one already
    // taken in for another character, else the font services' choice.
    int faceForCharacter(char32_t c, int previous, bool merging)
    {
        if (previous >= 0 && attachesToPrevious(c))
            return previous;
        // Spaces and controls stay with the font, which Qt draws them from.
        if (!merging || !faces[0].open->valid || c < 0x20 || isSpace(c) ||
            faces[0].open->hasGlyph(c))
            return 0;
        for (size_t i = 1; i < faces.size(); ++i) {
            if (faces[i].open->hasGlyph(c))
                return int(i);
        }
        const FaceFile fallback = FontServices::fallbackFaceFor(c, font.family(), bold, italic);
        if (!fallback.isValid())
            return 0;
        const int index = faceFor(fallback);
        return faces[index].open->hasGlyph(c) ? index : 0;
    }

    void shape(Shaped& run, hb_script_t script, bool kerning)
    {
        UsedFace& face = faces[run.face];
        if (!face.open->valid)
            return;
        applySize(*face.open, pixelSize);
        hb_buffer_t* buffer = threadFaces().buffer;
        hb_buffer_clear_contents(buffer);
        hb_buffer_add_utf32(buffer, reinterpret_cast<const uint32_t*>(cps.data()), int(cps.size()),
                            unsigned(run.start), int(run.end - run.start));
        hb_buffer_set_direction(buffer, run.rtl ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
        hb_buffer_set_script(buffer, script);
        hb_buffer_guess_segment_properties(buffer);
        hb_feature_t noKerning = {HB_TAG('k', 'e', 'r', 'n'), 0, 0, unsigned(-1)};
        hb_shape(face.open->hb, buffer, kerning ? nullptr : &noKerning, kerning ? 0 : 1);
        unsigned count = 0;
        const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
        const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
        run.infos.assign(infos, infos + count);
        run.positions.assign(positions, positions + count);
    }

    double unitsToLayout(int face) const { return faces[face].metrics.glyphScale / 64.0; }
};

void appendUtf8(QByteArray& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xc0 | (c >> 6));
        out += char(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        out += char(0xe0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3f));
        out += char(0x80 | (c & 0x3f));
    } else {
        out += char(0xf0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3f));
        out += char(0x80 | ((c >> 6) & 0x3f));
        out += char(0x80 | (c & 0x3f));
    }
}

struct LayoutKey
{
    QString family;
    QString styleName;
    double pixelSize;
    int weight;
    int style;
    int strategy;
    bool underline;
    bool strikeOut;
    bool kerning;
    QString text;
    int width;
    int flags;
    bool operator==(const LayoutKey&) const = default;
};

constexpr size_t recentLayoutCount = 8;

std::shared_ptr<const TextLayout> shapeText(const QFont& font, const QString& text, int width,
                                            int flags);

} // namespace

namespace TextShaper {

LineMetrics metrics(const QFont& font)
{
    const double pixelSize = pixelSizeOf(font);
    const std::shared_ptr<OpenFace> face = openFace(FontServices::faceFileFor(font));
    const FaceMetrics& m = metricsAt(*face, pixelSize, font.weight());
    LineMetrics line;
    line.ascent = fixedRound(m.ascent);
    line.descent = fixedRound(m.descent);
    line.leading = fixedRound(m.leading);
    return line;
}

std::shared_ptr<const TextLayout> layOut(const QFont& font, const QString& text, int width,
                                         int flags)
{
    flags &=
        int(Qt::AlignLeft) | int(Qt::AlignRight) | int(Qt::AlignHCenter) | int(Qt::TextWordWrap);
    // Left-aligned unwrapped text does not depend on the width: such layouts are shared.
    const int keyWidth =
        (flags & (int(Qt::AlignRight) | int(Qt::AlignHCenter) | int(Qt::TextWordWrap))) ? width : 0;
    LayoutKey key{font.family(),     font.styleName(),
                  pixelSizeOf(font), font.weight(),
                  int(font.style()), int(font.styleStrategy()),
                  font.underline(),  font.strikeOut(),
                  font.kerning(),    text,
                  keyWidth,          flags};
    thread_local std::deque<std::pair<LayoutKey, std::shared_ptr<const TextLayout>>> recent;
    for (auto it = recent.begin(); it != recent.end(); ++it) {
        if (it->first == key) {
            auto found = *it;
            recent.erase(it);
            recent.push_front(found);
            return found.second;
        }
    }
    auto layout = shapeText(font, text, width, flags);
    recent.emplace_front(std::move(key), layout);
    if (recent.size() > recentLayoutCount)
        recent.pop_back();
    return layout;
}

namespace {

class ShaperCharacterMap : public ScriptSample::CharacterMap
{
public:
    explicit ShaperCharacterMap(std::shared_ptr<OpenFace> face) : m_face(std::move(face))
    {
        if (!m_face->valid || !m_face->hb)
            return;
        if (m_face->viaFreeType) {
            FT_Face ft = m_face->freeType();
            m_unicode = ft && ft->charmap && ft->charmap->encoding == FT_ENCODING_UNICODE;
        } else {
            hb_blob_t* cmap = hb_face_reference_table(m_face->face, HB_TAG('c', 'm', 'a', 'p'));
            unsigned length = 0;
            const char* data = hb_blob_get_data(cmap, &length);
            m_unicode = ScriptSample::hasUnicodeSubtable(data, length);
            hb_blob_destroy(cmap);
        }
    }
    ~ShaperCharacterMap() override
    {
        if (m_set)
            hb_set_destroy(m_set);
    }
    ShaperCharacterMap(const ShaperCharacterMap&) = delete;
    ShaperCharacterMap& operator=(const ShaperCharacterMap&) = delete;

    bool isOpen() const override { return m_face->valid && m_face->hb; }
    bool isUnicode() const override { return m_unicode; }
    bool has(char32_t c) const override { return m_unicode && m_face->hasGlyph(c); }
    bool next(qint64& pos) const override
    {
        if (!m_set) {
            m_set = hb_set_create();
            hb_face_collect_unicodes(m_face->face, m_set);
        }
        hb_codepoint_t code = pos < 0 ? HB_SET_VALUE_INVALID : hb_codepoint_t(pos);
        if (!hb_set_next(m_set, &code))
            return false;
        pos = code;
        return code <= 0x10FFFF;
    }

private:
    std::shared_ptr<OpenFace> m_face;
    mutable hb_set_t* m_set = nullptr; // every mapped code, collected when first walked
    bool m_unicode = false;
};

} // namespace

std::shared_ptr<const ScriptSample::CharacterMap> characterMap(const FaceFile& face)
{
    return std::make_shared<ShaperCharacterMap>(openFace(face));
}

} // namespace TextShaper

namespace {

std::shared_ptr<const TextLayout> shapeText(const QFont& font, const QString& text, int width,
                                            int flags)
{
    auto layout = std::make_shared<TextLayout>();
    Shaper s{font,
             pixelSizeOf(font),
             font.weight(),
             font.weight() > QFont::Medium,
             font.style() != QFont::StyleNormal,
             {},
             {}};
    s.faceFor(FontServices::faceFileFor(font));
    const FaceMetrics primary = s.faces[0].metrics;
    const bool merging = !(font.styleStrategy() & QFont::NoFontMerging);
    const bool wrap = flags & Qt::TextWordWrap;

    // Code points, with unpaired surrogates as replacement characters and the characters Qt
    // draws as spaces made spaces.
    s.cps.reserve(size_t(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            c = QChar::surrogateToUcs4(char16_t(c), text.at(i + 1).unicode());
            ++i;
        } else if (QChar::isSurrogate(c)) {
            c = 0xfffd;
        } else if (c == '\t' || c == '\r') {
            c = ' ';
        }
        s.cps.push_back(c);
    }

    struct Line
    {
        size_t start, end, contentEnd;
        bool rtlBase;
        std::vector<uint8_t> levels;
    };
    std::vector<Line> lines;
    std::vector<int> faceOf(s.cps.size());
    std::vector<hb_script_t> scriptOf(s.cps.size());
    std::vector<double> advance(s.cps.size(), 0.0);
    // The measured run and glyph of each character's cluster, for its right bearing.
    std::vector<std::pair<int, int>> glyphOf(s.cps.size(), {-1, -1});
    std::vector<Shaped> shaped;

    size_t paragraphStart = 0;
    while (paragraphStart <= s.cps.size()) {
        size_t paragraphEnd = paragraphStart;
        while (paragraphEnd < s.cps.size() && s.cps[paragraphEnd] != '\n' &&
               s.cps[paragraphEnd] != 0x2028 && s.cps[paragraphEnd] != 0x2029)
            ++paragraphEnd;
        uint8_t base = 0;
        const std::vector<uint8_t> levels = bidiLevels(s.cps, paragraphStart, paragraphEnd, &base);

        // Faces and scripts; a character common to all scripts takes its neighbour's.
        hb_script_t script = HB_SCRIPT_COMMON;
        for (size_t i = paragraphStart; i < paragraphEnd; ++i) {
            const int previous = i > paragraphStart ? faceOf[i - 1] : -1;
            faceOf[i] = s.faceForCharacter(s.cps[i], previous, merging);
            const hb_script_t own = ::scriptOf(s.cps[i]);
            if (own != HB_SCRIPT_COMMON && own != HB_SCRIPT_INHERITED && own != HB_SCRIPT_UNKNOWN) {
                if (script == HB_SCRIPT_COMMON) {
                    for (size_t k = paragraphStart; k < i; ++k)
                        scriptOf[k] = own;
                }
                script = own;
            }
            scriptOf[i] = script;
        }
        // Runs of one face, script and level, shaped once to measure.
        for (size_t i = paragraphStart; i < paragraphEnd;) {
            size_t j = i + 1;
            while (j < paragraphEnd && faceOf[j] == faceOf[i] && scriptOf[j] == scriptOf[i] &&
                   levels[j - paragraphStart] == levels[i - paragraphStart])
                ++j;
            Shaped run;
            run.start = i;
            run.end = j;
            run.face = faceOf[i];
            run.rtl = levels[i - paragraphStart] & 1;
            s.shape(run, scriptOf[i], font.kerning());
            const double unit = s.unitsToLayout(run.face);
            for (size_t g = 0; g < run.infos.size(); ++g) {
                advance[run.infos[g].cluster] += run.positions[g].x_advance * unit;
                glyphOf[run.infos[g].cluster] = {int(shaped.size()), int(g)};
            }
            shaped.push_back(std::move(run));
            i = j;
        }

        auto lineFrom = [&](size_t start, size_t end) {
            Line line{start, end, end, base == 1, {}};
            while (line.contentEnd > start && isSpace(s.cps[line.contentEnd - 1]))
                --line.contentEnd;
            line.levels.assign(levels.begin() + long(start - paragraphStart),
                               levels.begin() + long(end - paragraphStart));
            // Trailing white space goes to the paragraph's level.
            for (size_t k = line.contentEnd; k < end; ++k)
                line.levels[k - start] = base;
            lines.push_back(std::move(line));
        };

        if (!wrap || paragraphEnd == paragraphStart) {
            lineFrom(paragraphStart, paragraphEnd);
        } else {
            // Greedy breaking at the break opportunities; a word wider than the box overflows.
            // Qt keeps a glyph that reaches past its advance inside the box, on whole pixels.
            auto negativeRightBearing = [&](size_t i) -> double {
                while (i > paragraphStart && glyphOf[i].first < 0)
                    --i;
                if (glyphOf[i].first < 0)
                    return 0;
                const Shaped& run = shaped[size_t(glyphOf[i].first)];
                const size_t g = size_t(glyphOf[i].second);
                hb_glyph_extents_t e;
                if (!s.faces[run.face].open->hb ||
                    !hb_font_get_glyph_extents(s.faces[run.face].open->hb, run.infos[g].codepoint,
                                               &e))
                    return 0;
                const double unit = s.unitsToLayout(run.face);
                const double bearing = std::round(run.positions[g].x_advance * unit) -
                                       std::ceil((e.x_bearing + e.width) * unit);
                return bearing < 0 ? -bearing : 0;
            };
            size_t lineStart = paragraphStart;
            double committed = 0;
            double pendingSpace = 0;
            for (size_t i = paragraphStart; i < paragraphEnd;) {
                size_t j = i + 1;
                while (j < paragraphEnd && !breakAllowedBefore(s.cps, j))
                    ++j;
                size_t contentEnd = j;
                while (contentEnd > i && isSpace(s.cps[contentEnd - 1]))
                    --contentEnd;
                double content = 0;
                double spaces = 0;
                for (size_t k = i; k < contentEnd; ++k)
                    content += advance[k];
                for (size_t k = contentEnd; k < j; ++k)
                    spaces += advance[k];
                const double bearing = contentEnd > i ? negativeRightBearing(contentEnd - 1) : 0;
                if (i > lineStart && committed + pendingSpace + content + bearing > width) {
                    lineFrom(lineStart, i);
                    lineStart = i;
                    committed = content;
                } else {
                    committed += pendingSpace + content;
                }
                pendingSpace = spaces;
                i = j;
            }
            lineFrom(lineStart, paragraphEnd);
        }
        paragraphStart = paragraphEnd + 1;
    }

    // Lines placed as Qt's text layout places them: each on a whole pixel below the last one and
    // its leading, as tall as the tallest face on it.
    const double leading = fixedToReal(primary.leading);
    double y = -leading;
    double widest = 0;
    for (const Line& line : lines) {
        // Runs of the line in logical order: whole measured runs again where they fit, else the
        // part of the line reshaped.
        std::vector<Shaped> runs;
        for (size_t i = line.start; i < line.end;) {
            const uint8_t level = line.levels[i - line.start];
            size_t j = i + 1;
            while (j < line.end && faceOf[j] == faceOf[i] && scriptOf[j] == scriptOf[i] &&
                   line.levels[j - line.start] == level)
                ++j;
            auto whole = std::find_if(shaped.begin(), shaped.end(), [&](const Shaped& r) {
                return r.start == i && r.end == j && r.rtl == bool(level & 1);
            });
            if (whole != shaped.end()) {
                runs.push_back(*whole);
            } else {
                Shaped run;
                run.start = i;
                run.end = j;
                run.face = faceOf[i];
                run.rtl = level & 1;
                s.shape(run, scriptOf[i], font.kerning());
                runs.push_back(std::move(run));
            }
            i = j;
        }
        // Visual order: from the highest level down, reverse every stretch at that level or above.
        std::vector<size_t> order(runs.size());
        std::vector<uint8_t> runLevels(runs.size());
        uint8_t highest = 0;
        uint8_t lowestOdd = 255;
        for (size_t r = 0; r < runs.size(); ++r) {
            order[r] = r;
            runLevels[r] = line.levels[runs[r].start - line.start];
            highest = std::max(highest, runLevels[r]);
            if (runLevels[r] & 1)
                lowestOdd = std::min(lowestOdd, runLevels[r]);
        }
        for (int level = highest; level >= lowestOdd && level > 0; --level) {
            for (size_t r = 0; r < order.size();) {
                if (runLevels[order[r]] < level) {
                    ++r;
                    continue;
                }
                size_t e = r;
                while (e < order.size() && runLevels[order[e]] >= level)
                    ++e;
                std::reverse(order.begin() + long(r), order.begin() + long(e));
                r = e;
            }
        }

        qint64 ascent = primary.ascent;
        qint64 descent = primary.descent;
        double total = 0;
        double trailing = 0;
        for (const Shaped& run : runs) {
            const FaceMetrics& m = s.faces[run.face].metrics;
            if (!run.infos.empty()) {
                ascent = std::max(ascent, m.ascent);
                descent = std::max(descent, m.descent);
            }
            const double unit = s.unitsToLayout(run.face);
            for (size_t g = 0; g < run.infos.size(); ++g) {
                const double a = run.positions[g].x_advance * unit;
                total += a;
                if (run.infos[g].cluster >= line.contentEnd)
                    trailing += a;
            }
        }
        // Unwrapped lines keep their trailing spaces, as Qt measures them.
        const double advanceWidth = wrap ? total - trailing : total;
        widest = std::max(widest, advanceWidth);
        double x = 0;
        if (flags & Qt::AlignRight)
            x = width - advanceWidth;
        else if (flags & Qt::AlignHCenter)
            x = (width - advanceWidth) / 2;
        const double lineX = x;
        if (wrap && line.rtlBase)
            x -= trailing; // trailing spaces lie at the left end of a right-to-left line

        y = std::ceil(y + leading);
        const double baseline = y + fixedToReal(ascent);
        y += fixedToReal(ascent + descent);

        for (size_t r : order) {
            const Shaped& run = runs[r];
            const UsedFace& face = s.faces[run.face];
            const double unit = s.unitsToLayout(run.face);
            GlyphRun out;
            out.face = face.file;
            out.pixelSize = face.metrics.emSize;
            out.backward = run.rtl;
            out.colour = face.open->colour;
            out.outlinesInPdf = face.open->outlinesInPdf;
            out.glyphs.reserve(run.infos.size());
            out.positions.reserve(run.infos.size());
            for (size_t g = 0; g < run.infos.size(); ++g) {
                out.glyphs.push_back(run.infos[g].codepoint);
                out.positions.emplace_back(x + run.positions[g].x_offset * unit,
                                           baseline - run.positions[g].y_offset * unit);
                x += run.positions[g].x_advance * unit;
            }
            // The characters, and which of them each stretch of glyphs shows.
            std::vector<int> byteAt(run.end - run.start + 1, 0);
            for (size_t k = run.start; k < run.end; ++k) {
                appendUtf8(out.utf8, s.cps[k]);
                byteAt[k - run.start + 1] = int(out.utf8.size());
            }
            for (size_t g = 0; g < run.infos.size();) {
                size_t h = g + 1;
                while (h < run.infos.size() && run.infos[h].cluster == run.infos[g].cluster)
                    ++h;
                size_t from = run.infos[g].cluster;
                size_t to;
                if (!run.rtl) {
                    if (g == 0)
                        from = run.start;
                    to = h < run.infos.size() ? run.infos[h].cluster : run.end;
                } else {
                    to = g == 0 ? run.end : run.infos[g - 1].cluster;
                    if (h == run.infos.size())
                        from = run.start;
                }
                out.clusters.emplace_back(byteAt[to - run.start] - byteAt[from - run.start],
                                          int(h - g));
                g = h;
            }
            if (!out.glyphs.empty())
                layout->runs.push_back(std::move(out));
        }

        if (line.contentEnd > line.start && (font.underline() || font.strikeOut())) {
            const double thickness = fixedToReal(primary.lineThickness);
            const double left = std::floor(lineX);
            const double right = std::floor(lineX + advanceWidth);
            if (font.underline()) {
                // Qt's placing: the offset rounded up, but kept within the descent.
                const double offset = fixedToReal(primary.underlinePosition);
                const double descentReal = fixedToReal(primary.descent);
                double adjusted = std::ceil(offset) + 0.5;
                if (offset <= descentReal)
                    adjusted = std::min(adjusted, descentReal - 0.5);
                layout->rules.emplace_back(left, baseline + adjusted - thickness / 2, right - left,
                                           thickness);
            }
            if (font.strikeOut()) {
                const double at = baseline - fixedToReal(primary.ascent) / 3.0;
                layout->rules.emplace_back(left, at - thickness / 2, right - left, thickness);
            }
        }
    }
    layout->lines = int(lines.size());
    layout->width = widest;
    layout->height = int(std::ceil(y));
    return layout;
}

} // namespace

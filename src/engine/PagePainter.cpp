#include "engine/PagePainter.h"

#include "engine/PageSetup.h"
#include "engine/PageStore.h"
#include "engine/PdfJoin.h"
#include "engine/TextLayout.h"
#include "fontservices/BigEndian.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QIODevice>
#include <QMutex>
#include <QThread>

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>

#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

// Why cairo: on a set of 2,000 families, Qt's PDF writer took 5.0-7.9 s to embed the fonts even
// when fed raw fonts opened from their files (no name matching at all), and held every font until
// the file closed (over 500 MB); cairo's PDF surface with its own subsetter wrote the same
// catalogue with an outline entry per family in 0.55-0.77 s at 155-178 MB, and paints a page into
// an image from the same glyph runs in 3-5 ms, fast enough for the preview to share the path.

namespace PagePainter {

namespace {

struct FaceKey
{
    QByteArray file;
    int index;
    bool colour;
    bool operator==(const FaceKey&) const = default;
};
size_t qHash(const FaceKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.file, key.index, key.colour);
}

// FreeType faces this program opens itself, for cairo to draw with. One library serves them all;
// FreeType wants the opening and closing of faces of one library serialised, while faces in use
// on different threads are independent (cairo locks each while it uses it).
QMutex& freeTypeMutex()
{
    static QMutex mutex;
    return mutex;
}

FT_Library freeTypeLibrary()
{
    static FT_Library library = [] {
        FT_Library made = nullptr;
        return FT_Init_FreeType(&made) == 0 ? made : nullptr;
    }();
    return library;
}

// A FreeType face of our own and the file it reads: mapped, or read through a stream. It closes
// both when it goes.
struct OwnFace
{
    FT_Face face = nullptr;
    void* base = nullptr;
    size_t size = 0;

    OwnFace() = default;
    OwnFace(const OwnFace&) = delete;
    OwnFace& operator=(const OwnFace&) = delete;
    ~OwnFace()
    {
        if (face) {
            QMutexLocker lock(&freeTypeMutex());
            FT_Done_Face(face);
        }
        if (base && base != MAP_FAILED)
            ::munmap(base, size);
    }
};

// Collections and large files are read through a stream, which reads what FreeType asks for and
// keeps nothing mapped: cairo mapped each file it opened, once per face of a collection, and
// subsetting the five faces of one CJK collection for a PDF held 70 MB of it.
FT_Stream readingStream(int fd, off_t size)
{
    auto* stream = new FT_StreamRec{};
    stream->size = static_cast<unsigned long>(size);
    stream->descriptor.value = fd;
    stream->read = [](FT_Stream s, unsigned long offset, unsigned char* buffer,
                      unsigned long count) -> unsigned long {
        if (count == 0) // a seek
            return offset <= s->size ? 0 : 1;
        const ssize_t got = ::pread(int(s->descriptor.value), buffer, count, off_t(offset));
        return got > 0 ? static_cast<unsigned long>(got) : 0;
    };
    stream->close = [](FT_Stream s) {
        ::close(int(s->descriptor.value));
        delete s;
    };
    return stream;
}

// A cairo face over a FreeType face of our own, closed when cairo lets the face go; null where
// the file cannot be opened as a font. The file is opened without waiting (it may have become a
// FIFO since it was listed) and only as a regular file. With `bigOnly`, only collections and
// large files; `mapping` is set to the mapped file, if it is one.
cairo_font_face_t* ownFace(const FaceFile& file, bool colour, bool bigOnly,
                           std::pair<void*, size_t>* mapping = nullptr)
{
    const int fd = ::open(file.file.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return nullptr;
    struct stat info = {};
    char tag[4] = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
        ::close(fd);
        return nullptr;
    }
    const bool big =
        info.st_size > (8 << 20) || (::pread(fd, tag, 4, 0) == 4 && memcmp(tag, "ttcf", 4) == 0);
    if (bigOnly && !big) {
        ::close(fd);
        return nullptr;
    }
    auto own = std::make_unique<OwnFace>();
    FT_Open_Args args = {};
    FT_Stream stream = nullptr;
    if (big) {
        stream = readingStream(fd, info.st_size);
        args.flags = FT_OPEN_STREAM;
        args.stream = stream;
    } else {
        own->size = size_t(info.st_size);
        own->base = ::mmap(nullptr, own->size, PROT_READ, MAP_PRIVATE, fd, 0);
        ::close(fd);
        if (own->base == MAP_FAILED)
            return nullptr;
        args.flags = FT_OPEN_MEMORY;
        args.memory_base = static_cast<const FT_Byte*>(own->base);
        args.memory_size = FT_Long(own->size);
    }
    {
        QMutexLocker lock(&freeTypeMutex());
        FT_Library library = freeTypeLibrary();
        if (!library || FT_Open_Face(library, &args, file.index, &own->face) != 0) {
            own->face = nullptr;
            // FreeType closes a stream it was given only once a face holds it.
            if (stream)
                stream->close(stream);
            return nullptr;
        }
    }
    // Unhinted outlines at the positions HarfBuzz gave, as in the PDF. Colour bitmap faces are
    // nothing but embedded bitmaps, which cairo finds only in a face loaded hinted.
    cairo_font_face_t* face = cairo_ft_font_face_create_for_ft_face(
        own->face, colour ? FT_LOAD_DEFAULT : FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
    static const cairo_user_data_key_t ownsFace = {};
    if (cairo_font_face_set_user_data(face, &ownsFace, own.get(), [](void* f) {
            delete static_cast<OwnFace*>(f);
        }) != CAIRO_STATUS_SUCCESS) {
        cairo_font_face_destroy(face);
        return nullptr;
    }
    if (mapping)
        *mapping = {own->base, own->size};
    own.release();
    return face;
}

// Where pages being drawn find their cairo faces.
class FaceSource
{
public:
    virtual cairo_font_face_t* face(const FaceFile& file, bool colour) = 0;

protected:
    ~FaceSource() = default;
};

// The preview's cairo faces by file. cairo opens most files itself and keeps only a few open at
// a time. Only the preview, on one thread, uses faces cairo opened: cairo 1.16 closes one of
// them whenever more than ten are open, chosen without taking its lock, so a face in use on
// another thread could be closed under it.
class FaceCache : public FaceSource
{
public:
    static FaceCache& instance()
    {
        static FaceCache cache;
        return cache;
    }

    cairo_font_face_t* face(const FaceFile& file, bool colour) override
    {
        const FaceKey key{file.file, file.index, colour};
        QMutexLocker lock(&m_mutex);
        if (const auto known = m_faces.constFind(key); known != m_faces.cend())
            return *known;
        // cairo would wait for good on a file that is no longer a regular one (a FIFO, say).
        struct stat info = {};
        if (::stat(file.file.constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
            m_faces.insert(key, nullptr);
            return nullptr;
        }
        if (cairo_font_face_t* face = colour ? nullptr : ownFace(file, colour, true)) {
            m_faces.insert(key, face);
            return face;
        }
        FcPattern* pattern = FcPatternCreate();
        FcPatternAddString(pattern, FC_FILE,
                           reinterpret_cast<const FcChar8*>(file.file.constData()));
        FcPatternAddInteger(pattern, FC_INDEX, file.index);
        // Unhinted outlines at the positions HarfBuzz gave, grey-scale smoothed, as in the PDF.
        // Not for colour bitmaps: cairo finds no bitmap at all in a face loaded unhinted.
        if (!colour)
            FcPatternAddBool(pattern, FC_HINTING, FcFalse);
        FcPatternAddBool(pattern, FC_ANTIALIAS, FcTrue);
        // Colour bitmap faces are nothing but embedded bitmaps: without them cairo draws
        // nothing for such a face in an image, and fails in a PDF. Other faces are drawn from
        // their outlines at every size, as the PDF has them.
        FcPatternAddBool(pattern, FC_EMBEDDED_BITMAP, colour ? FcTrue : FcFalse);
        FcPatternAddBool(pattern, FC_COLOR, FcTrue);
        cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(pattern);
        FcPatternDestroy(pattern);
        m_faces.insert(key, face);
        return face;
    }

private:
    QMutex m_mutex;
    QHash<FaceKey, cairo_font_face_t*> m_faces;
};

// The faces of one part of a PDF, all opened here, on the part's own thread, and closed once the
// part is written (cairo holds those it subsets until then). Each face is opened once per part,
// where cairo's ten open faces would open most of them twice: to draw, and to subset.
class PartFaces : public FaceSource
{
public:
    PartFaces() = default;
    PartFaces(const PartFaces&) = delete;
    PartFaces& operator=(const PartFaces&) = delete;
    ~PartFaces()
    {
        // cairo keeps the last fonts it was done with a while, and with them their faces; the
        // pages of their files read so far need not stay in memory meanwhile.
        for (const auto& [base, size] : m_mapped)
            ::madvise(base, size, MADV_DONTNEED);
        for (cairo_font_face_t* face : std::as_const(m_faces))
            cairo_font_face_destroy(face);
    }

    cairo_font_face_t* face(const FaceFile& file, bool colour) override
    {
        const FaceKey key{file.file, file.index, colour};
        if (const auto known = m_faces.constFind(key); known != m_faces.cend())
            return *known;
        std::pair<void*, size_t> mapping{nullptr, 0};
        cairo_font_face_t* face = ownFace(file, colour, false, &mapping);
        if (mapping.first)
            m_mapped.push_back(mapping);
        if (!face && m_unreadable.isEmpty())
            m_unreadable = QFile::decodeName(file.file);
        m_faces.insert(key, face);
        return face;
    }

    // The first font file that could not be opened, if any.
    QString unreadable() const { return m_unreadable; }

private:
    QHash<FaceKey, cairo_font_face_t*> m_faces;
    std::vector<std::pair<void*, size_t>> m_mapped;
    QString m_unreadable;
};

// A CFF DICT holds operands, each followed by its operator. cairo 1.16's subsetter fails on an
// operator without operands (an empty BlueValues, say), silently, and leaves out every later
// font of the document. The checker reads the Top DICT, the Private DICT and the font DICTs of a
// CID font, each where the table says it lies, from the table in memory.
class CffCheck
{
public:
    CffCheck(const uchar* table, size_t length)
        : m_table(table), m_length(quint32(qMin<size_t>(length, 0xffffffffu)))
    {}

    // True when some DICT has an operator with no operands; false also when the table cannot
    // be read, since cairo then falls back on its own.
    bool hasEmptyOperator()
    {
        QByteArray header = read(0, 4);
        if (header.size() < 4)
            return false;
        quint32 at = quint8(header[2]); // header size
        if (!skipIndex(&at))            // Name INDEX
            return false;
        std::vector<QByteArray> topDicts;
        if (!readIndex(&at, &topDicts))
            return false;
        for (const QByteArray& top : topDicts) {
            Dict dict = parse(top);
            if (dict.emptyOperator)
                return true;
            if (checkPrivate(dict))
                return true;
            if (dict.fdArray > 0) {
                quint32 fdAt = quint32(dict.fdArray);
                std::vector<QByteArray> fonts;
                if (!readIndex(&fdAt, &fonts))
                    return false;
                for (const QByteArray& font : fonts) {
                    Dict fd = parse(font);
                    if (fd.emptyOperator || checkPrivate(fd))
                        return true;
                }
            }
        }
        return false;
    }

private:
    struct Dict
    {
        bool emptyOperator = false;
        qint64 privateSize = 0;
        qint64 privateAt = 0;
        qint64 fdArray = 0;
    };

    QByteArray read(quint32 offset, quint32 size) const
    {
        if (offset >= m_length)
            return {};
        size = qMin(size, m_length - offset);
        return QByteArray::fromRawData(reinterpret_cast<const char*>(m_table) + offset,
                                       qsizetype(size));
    }

    bool checkPrivate(const Dict& dict) const
    {
        if (dict.privateSize <= 0 || dict.privateSize > (1 << 20) || dict.privateAt <= 0)
            return false;
        return parse(read(quint32(dict.privateAt), quint32(dict.privateSize))).emptyOperator;
    }

    // Reads the offsets of an INDEX at *at and moves *at past it.
    bool indexOffsets(quint32* at, std::vector<quint32>* offsets, quint32* dataAt) const
    {
        const QByteArray head = read(*at, 3);
        if (head.size() < 2)
            return false;
        const int count = BigEndian::u16(reinterpret_cast<const uchar*>(head.constData()));
        if (count == 0) {
            *at += 2;
            *dataAt = *at;
            return true;
        }
        if (head.size() < 3)
            return false;
        const int offSize = quint8(head[2]);
        if (offSize < 1 || offSize > 4 || count > 65535)
            return false;
        const QByteArray raw = read(*at + 3, quint32((count + 1) * offSize));
        if (raw.size() < (count + 1) * offSize)
            return false;
        offsets->resize(size_t(count) + 1);
        for (int i = 0; i <= count; ++i) {
            quint32 v = 0;
            for (int b = 0; b < offSize; ++b)
                v = (v << 8) | quint8(raw[i * offSize + b]);
            (*offsets)[size_t(i)] = v;
        }
        *dataAt = *at + 3 + quint32((count + 1) * offSize) - 1;
        *at = *dataAt + offsets->back();
        return true;
    }

    bool skipIndex(quint32* at) const
    {
        std::vector<quint32> offsets;
        quint32 dataAt = 0;
        return indexOffsets(at, &offsets, &dataAt);
    }

    bool readIndex(quint32* at, std::vector<QByteArray>* items) const
    {
        std::vector<quint32> offsets;
        quint32 dataAt = 0;
        if (!indexOffsets(at, &offsets, &dataAt))
            return false;
        for (size_t i = 0; i + 1 < offsets.size(); ++i) {
            if (offsets[i + 1] < offsets[i] || offsets[i + 1] - offsets[i] > (1 << 20))
                return false;
            items->push_back(read(dataAt + offsets[i], offsets[i + 1] - offsets[i]));
        }
        return true;
    }

    static Dict parse(const QByteArray& bytes)
    {
        Dict dict;
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
        const qsizetype n = bytes.size();
        std::vector<qint64> operands;
        for (qsizetype i = 0; i < n;) {
            const int b = p[i];
            if (b <= 21) {
                int op = b;
                ++i;
                if (b == 12) {
                    if (i >= n)
                        break;
                    op = 1200 + p[i++];
                }
                if (operands.empty())
                    dict.emptyOperator = true;
                if (op == 18 && operands.size() >= 2) {
                    dict.privateSize = operands[operands.size() - 2];
                    dict.privateAt = operands.back();
                } else if (op == 1236 && !operands.empty()) {
                    dict.fdArray = operands.back();
                }
                operands.clear();
            } else if (b == 28) {
                if (i + 2 >= n)
                    break;
                operands.push_back(qint16((p[i + 1] << 8) | p[i + 2]));
                i += 3;
            } else if (b == 29) {
                if (i + 4 >= n)
                    break;
                operands.push_back(qint32(quint32(p[i + 1]) << 24 | quint32(p[i + 2]) << 16 |
                                          quint32(p[i + 3]) << 8 | p[i + 4]));
                i += 5;
            } else if (b == 30) {
                // A real: nibbles up to the end marker 0xf.
                ++i;
                while (i < n && (p[i] & 0x0f) != 0x0f && (p[i] >> 4) != 0x0f)
                    ++i;
                ++i;
                operands.push_back(0);
            } else if (b >= 32 && b <= 246) {
                operands.push_back(b - 139);
                ++i;
            } else if (b >= 247 && b <= 254) {
                if (i + 1 >= n)
                    break;
                operands.push_back(b <= 250 ? (b - 247) * 256 + p[i + 1] + 108
                                            : -(b - 251) * 256 - p[i + 1] - 108);
                i += 2;
            } else {
                ++i; // reserved
            }
        }
        return dict;
    }

    const uchar* m_table;
    quint32 m_length;
};

bool isWholeUtf8(const char* text, int length)
{
    const auto* p = reinterpret_cast<const uchar*>(text);
    for (int i = 0; i < length;) {
        const uchar c = p[i];
        const int size = c < 0x80                ? 1
                         : c >= 0xc2 && c < 0xe0 ? 2
                         : c >= 0xe0 && c < 0xf0 ? 3
                         : c >= 0xf0 && c < 0xf5 ? 4
                                                 : 0;
        if (size == 0 || i + size > length)
            return false;
        for (int k = 1; k < size; ++k) {
            if ((p[i + k] & 0xc0) != 0x80)
                return false;
        }
        i += size;
    }
    return true;
}

// Whether the clusters cover the text and glyphs exactly, each a whole UTF-8 sequence, as cairo
// checks them: from the start of the text.
bool clustersFit(const QByteArray& utf8, const std::vector<cairo_text_cluster_t>& clusters,
                 size_t glyphCount)
{
    qsizetype bytes = 0;
    size_t glyphs = 0;
    for (const cairo_text_cluster_t& c : clusters) {
        if (c.num_bytes < 0 || c.num_glyphs < 0 || (c.num_bytes == 0 && c.num_glyphs == 0) ||
            bytes + c.num_bytes > utf8.size() ||
            !isWholeUtf8(utf8.constData() + bytes, c.num_bytes))
            return false;
        bytes += c.num_bytes;
        glyphs += size_t(c.num_glyphs);
    }
    return bytes == utf8.size() && glyphs == glyphCount;
}

// Characters cairo writes in an 8-bit font of their own beside a face's composite font (its
// WinAnsi set, taken wide).
bool inEightBitFont(char32_t c)
{
    return c <= 0x2FF || (c >= 0x2000 && c <= 0x2122);
}

// A space draws nothing, yet cairo puts its glyph in an 8-bit copy of the face beside the face's
// composite font: a second embedded font (its hinting tables and all) for every row in another
// script, a third of a catalogue's PDF. A run with no other such character leaves its spaces
// out of the PDF, their glyphs and their text: readers find the word breaks in the gaps, as they
// do in most PDFs. The clusters and glyphs are in text order.
void leaveOutSpaces(cairo_scaled_font_t* font, QByteArray& utf8,
                    std::vector<cairo_text_cluster_t>& clusters, std::vector<cairo_glyph_t>& glyphs)
{
    auto isSpace = [](const char* p, int bytes) {
        return (bytes == 1 && p[0] == ' ') ||
               (bytes == 2 && uchar(p[0]) == 0xC2 && uchar(p[1]) == 0xA0);
    };
    bool spaces = false;
    for (qsizetype i = 0; i < utf8.size();) {
        // Whole sequences, as the clusters were checked to be.
        const uchar lead = uchar(utf8[i]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length && i + k < utf8.size(); ++k)
            c = (c << 6) | (uchar(utf8[i + k]) & 0x3F);
        i += length;
        if (c == ' ' || c == 0xA0)
            spaces = true;
        else if (inEightBitFont(c))
            return;
    }
    if (!spaces)
        return;
    QByteArray keptText;
    std::vector<cairo_text_cluster_t> keptClusters;
    std::vector<cairo_glyph_t> keptGlyphs;
    qsizetype at = 0;
    size_t g = 0;
    for (const cairo_text_cluster_t& c : clusters) {
        const char* p = utf8.constData() + at;
        bool blank = false;
        if (c.num_glyphs == 1 && isSpace(p, c.num_bytes)) {
            // Only a glyph without ink: a face may draw its space.
            cairo_text_extents_t ink;
            cairo_scaled_font_glyph_extents(font, &glyphs[g], 1, &ink);
            blank = ink.width == 0 && ink.height == 0;
        }
        if (!blank) {
            keptText.append(p, c.num_bytes);
            keptClusters.push_back(c);
            keptGlyphs.insert(keptGlyphs.end(), glyphs.begin() + long(g),
                              glyphs.begin() + long(g) + c.num_glyphs);
        }
        at += c.num_bytes;
        g += size_t(c.num_glyphs);
    }
    utf8 = std::move(keptText);
    clusters = std::move(keptClusters);
    glyphs = std::move(keptGlyphs);
}

void drawRun(cairo_t* cr, const GlyphRun& run, bool vector, FaceSource& faces)
{
    // A size cairo cannot take would put the whole context in an error state, which silently
    // drops everything drawn after it, later pages included.
    if (run.glyphs.empty() || !run.face.isValid() || !(run.pixelSize > 0) ||
        !std::isfinite(run.pixelSize))
        return;
    // Made-up bold is drawn as the face's own glyphs, then their outlines again, moved half of
    // FreeType's emboldening (an em over 24) each way. cairo's own emboldening turns the face
    // into an outline font of its making in a PDF, which a reader rasterises differently from
    // the preview; filled outlines are drawn alike by both.
    cairo_font_face_t* face = faces.face(run.face, run.colour);
    if (!face)
        return;
    cairo_set_font_face(cr, face);
    cairo_matrix_t matrix;
    cairo_matrix_init_scale(&matrix, run.pixelSize, run.pixelSize);
    // A made-up slant as a shear of the font matrix: cairo's own is lost in its PDF output.
    if (run.face.syntheticOblique)
        matrix.xy = -0.2 * run.pixelSize;
    cairo_set_font_matrix(cr, &matrix);
    // Glyphs sit on whole layout units, as an image at 96 dpi puts them, so that the PDF at any
    // resolution shows what the preview shows.
    std::vector<cairo_glyph_t> glyphs(run.glyphs.size());
    for (size_t i = 0; i < glyphs.size(); ++i)
        glyphs[i] = {run.glyphs[i], std::round(run.positions[i].x()),
                     std::round(run.positions[i].y())};
    const int count = int(glyphs.size());
    const bool outlinesOnly = vector && run.outlinesInPdf;
    if (!vector) {
        cairo_show_glyphs(cr, glyphs.data(), count);
    } else if (outlinesOnly) {
        cairo_new_path(cr);
        cairo_glyph_path(cr, glyphs.data(), count);
        cairo_fill(cr);
    } else {
        // With its characters, so that the PDF's text can be searched and copied. A right-to-left
        // run goes in the text's order: every glyph has its own position, so the order of the
        // arrays changes nothing drawn, and cairo 1.16 checks backward clusters against the
        // wrong end of the text.
        std::vector<cairo_text_cluster_t> clusters(run.clusters.size());
        for (size_t i = 0; i < clusters.size(); ++i)
            clusters[i] = {run.clusters[i].first, run.clusters[i].second};
        if (run.backward) {
            std::reverse(clusters.begin(), clusters.end());
            std::reverse(glyphs.begin(), glyphs.end());
        }
        if (!clustersFit(run.utf8, clusters, glyphs.size())) {
            // cairo would refuse the whole document over clusters that do not add up; the
            // glyphs alone still draw, and cairo maps them back to characters itself.
            cairo_show_glyphs(cr, glyphs.data(), count);
        } else {
            QByteArray utf8 = run.utf8;
            leaveOutSpaces(cairo_get_scaled_font(cr), utf8, clusters, glyphs);
            if (!glyphs.empty())
                cairo_show_text_glyphs(cr, utf8.constData(), int(utf8.size()), glyphs.data(),
                                       int(glyphs.size()), clusters.data(), int(clusters.size()),
                                       cairo_text_cluster_flags_t(0));
        }
    }
    if (run.face.syntheticBold && !run.colour) {
        // The outlines again, moved half the emboldening each way (spaces left out or not: they
        // have none).
        const double half = run.pixelSize / 48;
        cairo_save(cr);
        for (const auto& [dx, dy] :
             {std::pair{-half, 0.0}, {half, 0.0}, {0.0, -half}, {0.0, half}}) {
            cairo_new_path(cr);
            cairo_save(cr);
            cairo_translate(cr, dx, dy);
            cairo_glyph_path(cr, glyphs.data(), int(glyphs.size()));
            cairo_restore(cr);
            cairo_fill(cr);
        }
        cairo_restore(cr);
    }
}

void paintItems(const RecordedPage& page, cairo_t* cr, bool vector, FaceSource& faces)
{
    cairo_save(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 1);
    for (const PageItem& item : page.items) {
        if (item.kind == PageItem::Kind::Frame) {
            const QRectF r = QRectF(item.rect).adjusted(0.5, 0.5, -0.5, -0.5);
            auto line = [&](QPointF a, QPointF b) {
                cairo_move_to(cr, a.x(), a.y());
                cairo_line_to(cr, b.x(), b.y());
            };
            if (item.sides & Qt::TopEdge)
                line(r.topLeft(), r.topRight());
            if (item.sides & Qt::BottomEdge)
                line(r.bottomLeft(), r.bottomRight());
            if (item.sides & Qt::LeftEdge)
                line(r.topLeft(), r.bottomLeft());
            if (item.sides & Qt::RightEdge)
                line(r.topRight(), r.bottomRight());
            cairo_stroke(cr);
            continue;
        }
        if (!item.layout)
            continue;
        // Text is clipped to its label.
        cairo_save(cr);
        cairo_rectangle(cr, item.rect.x(), item.rect.y(), item.rect.width(), item.rect.height());
        cairo_clip(cr);
        cairo_translate(cr, item.rect.x(), item.rect.y());
        for (const GlyphRun& run : item.layout->runs)
            drawRun(cr, run, vector, faces);
        for (const QRectF& rule : item.layout->rules)
            cairo_rectangle(cr, rule.x(), rule.y(), rule.width(), rule.height());
        cairo_fill(cr);
        cairo_restore(cr);
    }
    cairo_restore(cr);
}

// The PDF as cairo writes it, less the transparency group cairo gives every page. Nothing on a
// catalogue page needs the group, but print filters that turn a PDF into PostScript (Ghostscript's
// ps2write, the default of the print system's filters) then rasterise the whole page, at a paper
// size of their own. The group is blanked out with spaces, so every offset of the file stays true.
class PdfStream
{
public:
    explicit PdfStream(QIODevice& out) : m_out(out) {}

    static cairo_status_t write(void* closure, const unsigned char* data, unsigned int length)
    {
        auto* self = static_cast<PdfStream*>(closure);
        self->m_pending.append(reinterpret_cast<const char*>(data), qsizetype(length));
        return self->flush(false) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
    }

    bool flush(bool all)
    {
        static const QByteArray group = "   /Group <<\n"
                                        "      /Type /Group\n"
                                        "      /S /Transparency\n"
                                        "      /I true\n"
                                        "      /CS /DeviceRGB\n"
                                        "   >>\n";
        for (qsizetype at = m_pending.indexOf(group); at >= 0;
             at = m_pending.indexOf(group, at + group.size())) {
            for (qsizetype i = at; i < at + group.size(); ++i) {
                if (m_pending[i] != '\n')
                    m_pending[i] = ' ';
            }
        }
        // A group may begin in one piece and end in the next: its start is held back.
        const qsizetype keep = all ? 0 : qMin(m_pending.size(), group.size() - 1);
        const qsizetype ready = m_pending.size() - keep;
        if (ready > 0 && m_out.write(m_pending.constData(), ready) != ready)
            return false;
        m_pending.remove(0, ready);
        return true;
    }

private:
    QIODevice& m_out;
    QByteArray m_pending;
};

} // namespace

QImage render(const RecordedPage& page, double scale, const QRect& region)
{
    QImage image(region.size(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.fill(Qt::transparent);
    // cairo draws straight into the image's pixels: both keep premultiplied native-endian ARGB.
    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(image.bits(), CAIRO_FORMAT_ARGB32, image.width(),
                                            image.height(), int(image.bytesPerLine()));
    cairo_t* cr = cairo_create(surface);
    cairo_translate(cr, -region.x(), -region.y());
    cairo_scale(cr, scale, scale);
    paintItems(page, cr, false, FaceCache::instance());
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    return image;
}

namespace {

// Pages [begin, end) of the document as a PDF of their own, with their bookmarks.
bool writePart(const PdfDocument& document, size_t begin, size_t end, QIODevice& out,
               QString* error, const std::atomic<bool>* cancel, const std::atomic<bool>* stop)
{
    constexpr double pointsPerUnit = 72.0 / PageSetup::unitsPerInch;
    const QSizeF points = document.pagePoints.isEmpty() ? QSizeF(document.pageSize) * pointsPerUnit
                                                        : document.pagePoints;
    PartFaces faces;
    PdfStream stream(out);
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(PdfStream::write, &stream,
                                                                   points.width(), points.height());
    const QByteArray title = document.title.toUtf8();
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, title.constData());
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "Typovex");
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, pointsPerUnit, pointsPerUnit);
    bool cancelled = false;
    int number = 0;
    for (size_t index = begin; index < end; ++index) {
        if ((cancel && cancel->load()) || (stop && stop->load())) {
            cancelled = true;
            break;
        }
        const RecordedPage* page = document.pages[index];
        ++number;
        paintItems(*page, cr, true, faces);
        cairo_show_page(cr);
        for (const Bookmark& mark : page->bookmarks) {
            const QByteArray name = mark.title.toUtf8();
            // Destinations are in PDF points from the top left of the page.
            const QByteArray link = "page=" + QByteArray::number(number) + " pos=[" +
                                    QByteArray::number(mark.at.x() * pointsPerUnit, 'f', 2) + ' ' +
                                    QByteArray::number(mark.at.y() * pointsPerUnit, 'f', 2) + ']';
            cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT, name.constData(),
                                          link.constData(), cairo_pdf_outline_flags_t(0));
        }
        if (cairo_status(cr) != CAIRO_STATUS_SUCCESS ||
            cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS || !faces.unreadable().isEmpty())
            break;
    }
    if (number == 0 && !cancelled)
        cairo_show_page(cr); // a document needs a page: an empty run gives one blank page
    // A context in an error state has stopped drawing: the document would lack what follows.
    const cairo_status_t drawing = cairo_status(cr);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_status_t status = cairo_surface_status(surface);
    if (status == CAIRO_STATUS_SUCCESS)
        status = drawing;
    cairo_surface_destroy(surface);
    if (status == CAIRO_STATUS_SUCCESS && !stream.flush(true))
        status = CAIRO_STATUS_WRITE_ERROR;
    if (cancelled)
        return false;
    if (!faces.unreadable().isEmpty()) {
        if (error)
            *error = QStringLiteral("The font file %1 cannot be read.").arg(faces.unreadable());
        return false;
    }
    if (status != CAIRO_STATUS_SUCCESS) {
        if (error)
            *error = status == CAIRO_STATUS_WRITE_ERROR
                         ? out.errorString()
                         : QString::fromUtf8(cairo_status_to_string(status));
        return false;
    }
    return true;
}

} // namespace

bool writePdf(const PdfDocument& document, QIODevice& out, QString* error,
              const std::atomic<bool>* cancel)
{
    // cairo writes a document on one thread, and half its time goes into subsetting and
    // compressing the fonts when the document closes. The pages are written as parts of two
    // pages on two threads, each part a document of its own, joined in order as they are done:
    // a catalogue of 2,000 families is saved in half the time, and only the faces of the parts
    // being written are open. (Parts of four pages held 20-40 MB more; the fonts that every
    // part embeds again, those of the labels, add 0.4 MB to its 15 MB.)
    const size_t count = document.pages.size();
    const size_t perPart = std::clamp<size_t>((count + 1) / 2, 1, 2);
    const size_t parts = (count + perPart - 1) / perPart;
    if (parts <= 1)
        return writePart(document, 0, count, out, error, cancel, nullptr);

    struct Part
    {
        QByteArray pdf;
        bool done = false;
        bool written = false;
    };
    std::vector<Part> results(parts);
    std::mutex mutex;
    std::atomic<size_t> next{0};
    std::atomic<bool> stop{false};
    PdfJoin join(out);
    size_t joined = 0;
    QString failure, firstError;
    // Joins the parts that are done, in order, into `out`; only on the calling thread.
    const auto joinDone = [&] {
        for (;;) {
            {
                std::lock_guard lock(mutex);
                if (joined == parts || !results[joined].done)
                    return;
            }
            Part& part = results[joined];
            if (!part.written) {
                stop = true;
                return;
            }
            if (!stop && !join.add(part.pdf)) {
                failure = join.errorString();
                stop = true;
            }
            part.pdf = QByteArray();
            ++joined;
        }
    };
    const auto work = [&](bool joining) {
        for (size_t i = next++; i < parts && !stop; i = next++) {
            QByteArray pdf;
            QBuffer buffer(&pdf);
            buffer.open(QIODevice::WriteOnly);
            QString why;
            const bool written =
                writePart(document, i * perPart, std::min(count, (i + 1) * perPart), buffer, &why,
                          cancel, &stop);
            buffer.close();
            {
                std::lock_guard lock(mutex);
                results[i].pdf = std::move(pdf);
                results[i].written = written;
                results[i].done = true;
                // A part stopped because another failed says nothing: the first reason counts.
                if (!written && firstError.isEmpty())
                    firstError = why;
            }
            if (!written)
                stop = true;
            if (joining)
                joinDone();
        }
    };
    std::unique_ptr<QThread> helper(QThread::create(work, false));
    helper->start();
    work(true);
    helper->wait();
    joinDone();
    if (cancel && cancel->load())
        return false;
    if (failure.isEmpty() && joined == parts && !join.finish())
        failure = join.errorString();
    if (failure.isEmpty())
        failure = firstError;
    if (!failure.isEmpty() || joined != parts) {
        if (error)
            *error =
                failure.isEmpty() ? QStringLiteral("The document could not be written.") : failure;
        return false;
    }
    return true;
}

bool cffSubsetterFails(const uchar* cff, size_t length)
{
    return CffCheck(cff, length).hasEmptyOperator();
}

} // namespace PagePainter

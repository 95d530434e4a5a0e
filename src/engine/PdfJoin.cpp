#include "engine/PdfJoin.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// The joined document's own objects; every other one comes from a part.
constexpr int pagesObject = 1;
constexpr int outlinesObject = 2;

bool isWhite(char c)
{
    return c == 0 || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

bool isRegular(char c)
{
    return !isWhite(c) && !std::strchr("()<>[]{}/%", c);
}

bool isNumber(QByteArrayView token)
{
    return !token.isEmpty() && token.size() <= 10 &&
           std::all_of(token.begin(), token.end(), [](char c) { return c >= '0' && c <= '9'; });
}

qsizetype skipWhite(QByteArrayView text, qsizetype at)
{
    while (at < text.size() && isWhite(text[at]))
        ++at;
    return at;
}

// The unsigned integer token at `at`, and where it ends; -1 where there is none.
int numberAt(QByteArrayView text, qsizetype at, qsizetype* end)
{
    qsizetype j = at;
    while (j < text.size() && isRegular(text[j]))
        ++j;
    if (!isNumber(text.sliced(at, j - at)))
        return -1;
    const qint64 value = text.sliced(at, j - at).toLongLong();
    if (value > std::numeric_limits<int>::max())
        return -1;
    *end = j;
    return int(value);
}

// "n g R" at `at`: the object number n, and where the reference ends; -1 where there is none.
int referenceAt(QByteArrayView text, qsizetype at, qsizetype* end)
{
    qsizetype j = 0;
    const int number = numberAt(text, at, &j);
    if (number < 0)
        return -1;
    qsizetype k = skipWhite(text, j);
    if (k == j || numberAt(text, k, &j) < 0)
        return -1;
    k = skipWhite(text, j);
    if (k == j || k >= text.size() || text[k] != 'R' ||
        (k + 1 < text.size() && isRegular(text[k + 1])))
        return -1;
    *end = k + 1;
    return number;
}

// The reference after the name `key` in a dictionary written by cairo (one key a line, no
// strings holding names); 0 where the key is missing.
int referenceOf(QByteArrayView dict, QByteArrayView key)
{
    for (qsizetype at = dict.indexOf(key); at >= 0; at = dict.indexOf(key, at + 1)) {
        const qsizetype after = at + key.size();
        if (after < dict.size() && isRegular(dict[after]))
            continue; // a longer name
        qsizetype end = 0;
        const int number = referenceAt(dict, skipWhite(dict, after), &end);
        return number > 0 ? number : 0;
    }
    return 0;
}

// The integer after the name `key`; 0 where the key is missing.
int integerOf(QByteArrayView dict, QByteArrayView key)
{
    const qsizetype at = dict.indexOf(key);
    if (at < 0)
        return 0;
    const qsizetype j = skipWhite(dict, at + key.size());
    const bool negative = j < dict.size() && dict[j] == '-';
    qsizetype end = 0;
    const int value = numberAt(dict, negative ? j + 1 : j, &end);
    if (value < 0)
        return 0;
    return negative ? -value : value;
}

// The object's text after "n g obj" up to its "endobj".
struct Object
{
    int number = 0;
    QByteArrayView body;
};

// Copies the text of an object, each indirect reference given its joined number by `map` (0 or
// less: the reference cannot be joined, and nothing is copied). Comments and strings are copied
// as they are; so is everything from the keyword "stream" on, which `*streamAt` is set to (the
// body's size without a stream).
template <typename Map>
bool renumber(QByteArrayView in, Map map, QByteArray* out, qsizetype* streamAt)
{
    const qsizetype n = in.size();
    qsizetype i = 0;
    while (i < n) {
        const char c = in[i];
        qsizetype j = i + 1;
        if (c == '%') {
            while (j < n && in[j] != '\n' && in[j] != '\r')
                ++j;
        } else if (c == '(') {
            for (int depth = 1; j < n && depth > 0; ++j) {
                if (in[j] == '\\')
                    ++j;
                else if (in[j] == '(')
                    ++depth;
                else if (in[j] == ')')
                    --depth;
            }
        } else if (c == '<' && j < n && in[j] == '<') {
            ++j; // a dictionary
        } else if (c == '<') {
            j = in.indexOf('>', j);
            if (j < 0)
                return false;
            ++j;
        } else if (isRegular(c)) {
            while (j < n && isRegular(in[j]))
                ++j;
            const QByteArrayView token = in.sliced(i, j - i);
            if (token == "stream") {
                *streamAt = i;
                return true;
            }
            qsizetype end = 0;
            if (const int number = referenceAt(in, i, &end); number >= 0) {
                const int joined = map(number);
                if (joined <= 0)
                    return false;
                out->append(QByteArray::number(joined)).append(" 0 R");
                i = end;
                continue;
            }
        }
        out->append(in.sliced(i, std::min(j, n) - i));
        i = std::min(j, n);
    }
    *streamAt = n;
    return true;
}

QByteArray withKey(QByteArray dict, const QByteArray& entry)
{
    const qsizetype open = dict.indexOf("<<");
    if (open >= 0)
        dict.insert(open + 2, ' ' + entry);
    return dict;
}

} // namespace

PdfJoin::PdfJoin(QIODevice& out) : m_out(out), m_offsets(3, 0) {}

bool PdfJoin::write(const QByteArray& bytes)
{
    if (m_out.write(bytes) != bytes.size())
        return fail(m_out.errorString());
    m_written += bytes.size();
    return true;
}

bool PdfJoin::fail(const QString& why)
{
    if (m_error.isEmpty())
        m_error = why;
    return false;
}

bool PdfJoin::writeObject(int number, const QByteArray& body)
{
    m_offsets[size_t(number)] = m_written;
    return write(QByteArray::number(number) + " 0 obj" + body + "endobj\n");
}

bool PdfJoin::add(const QByteArray& pdf)
{
    const QString unreadable = QStringLiteral("a part of the document could not be joined");
    const QByteArrayView file(pdf);

    // The cross-reference table: where each object starts.
    const qsizetype start = file.lastIndexOf("startxref");
    qsizetype end = 0;
    const int xref = start < 0 ? -1 : numberAt(file, skipWhite(file, start + 9), &end);
    if (xref <= 0 || xref >= file.size() || !file.sliced(xref).startsWith("xref"))
        return fail(unreadable);
    std::vector<std::pair<qint64, int>> located; // offset, object number
    qsizetype at = skipWhite(file, xref + 4);
    while (at < file.size() && !file.sliced(at).startsWith("trailer")) {
        const int first = numberAt(file, at, &end);
        const int count = first < 0 ? -1 : numberAt(file, skipWhite(file, end), &end);
        if (count < 0)
            return fail(unreadable);
        at = skipWhite(file, end);
        for (int k = 0; k < count; ++k) {
            const int offset = numberAt(file, at, &end);
            const int generation = offset < 0 ? -1 : numberAt(file, skipWhite(file, end), &end);
            at = skipWhite(file, end);
            if (generation < 0 || at >= file.size())
                return fail(unreadable);
            if (file[at] == 'n') {
                if (offset <= 0 || offset >= xref)
                    return fail(unreadable);
                located.emplace_back(offset, first + k);
            }
            at = skipWhite(file, at + 1);
        }
    }
    const QByteArrayView trailer = file.sliced(std::min(at, file.size()));
    std::sort(located.begin(), located.end());
    std::vector<Object> objects;
    int highest = 0;
    for (size_t k = 0; k < located.size(); ++k) {
        const auto [offset, number] = located[k];
        const qsizetype next = k + 1 < located.size() ? located[k + 1].first : xref;
        const QByteArrayView text = file.sliced(offset, next - offset);
        const qsizetype obj = text.indexOf("obj");
        const qsizetype endobj = text.lastIndexOf("endobj");
        qsizetype numberEnd = 0;
        if (obj < 0 || endobj < obj + 3 || numberAt(text, 0, &numberEnd) != number)
            return fail(unreadable);
        objects.push_back({number, text.sliced(obj + 3, endobj - obj - 3)});
        highest = std::max(highest, number);
    }
    std::vector<int> index(size_t(highest) + 1, -1);
    for (size_t k = 0; k < objects.size(); ++k)
        index[size_t(objects[k].number)] = int(k);
    const auto body = [&](int number) -> QByteArrayView {
        if (number <= 0 || number > highest || index[size_t(number)] < 0)
            return {};
        return objects[size_t(index[size_t(number)])].body;
    };

    // The catalog, the page tree and the outline of this part.
    const int root = referenceOf(trailer, "/Root");
    const int info = referenceOf(trailer, "/Info");
    const int pages = referenceOf(body(root), "/Pages");
    const int outlines = referenceOf(body(root), "/Outlines");
    const QByteArrayView kids = body(pages);
    const qsizetype open = kids.indexOf("/Kids");
    const qsizetype list = open < 0 ? -1 : kids.indexOf('[', open);
    const qsizetype close = list < 0 ? -1 : kids.indexOf(']', list);
    if (root <= 0 || close < 0 || (outlines > 0 && body(outlines).isEmpty()))
        return fail(unreadable);
    const bool first = m_written == 0;

    // Joined numbers, in the order the objects lie in the file. This part's tree and outline
    // root become the joined ones; a later part's catalog and information are left out.
    std::vector<int> joined(size_t(highest) + 1, 0);
    for (const Object& object : objects) {
        if (object.number == pages)
            joined[size_t(object.number)] = pagesObject;
        else if (object.number == outlines)
            joined[size_t(object.number)] = outlinesObject;
        else if (!first && (object.number == root || object.number == info))
            joined[size_t(object.number)] = -1;
        else {
            joined[size_t(object.number)] = int(m_offsets.size());
            m_offsets.push_back(0);
        }
    }
    const auto map = [&](int number) {
        return number > 0 && number <= highest ? joined[size_t(number)] : 0;
    };

    for (qsizetype k = list + 1;;) {
        k = skipWhite(kids, k);
        if (k >= close)
            break;
        const int kid = referenceAt(kids, k, &end);
        if (kid <= 0 || map(kid) <= 0)
            return fail(unreadable);
        m_kids.push_back(map(kid));
        k = end;
    }
    int firstItem = 0, lastItem = 0;
    if (outlines > 0) {
        const QByteArrayView dict = body(outlines);
        firstItem = map(referenceOf(dict, "/First"));
        lastItem = map(referenceOf(dict, "/Last"));
        const int count = integerOf(dict, "/Count");
        if (firstItem > 0 && lastItem > 0) {
            if (m_firstItem == 0)
                m_outlineClosed = count < 0;
            m_outlineCount += std::abs(count);
        }
    }
    if (first) {
        m_catalog = map(root);
        m_info = info > 0 ? map(info) : 0;
        if (!write(file.first(located.empty() ? 0 : located.front().first).toByteArray()))
            return false;
    }

    for (const Object& object : objects) {
        const int number = joined[size_t(object.number)];
        if (number < 0 || number == pagesObject || number == outlinesObject)
            continue;
        QByteArray text;
        qsizetype streamAt = 0;
        if (!renumber(object.body, map, &text, &streamAt))
            return fail(unreadable);
        if (number == m_catalog && first && outlines <= 0)
            text = withKey(text, "/Outlines 2 0 R");
        if (number == firstItem && m_lastItem > 0) {
            // Entries of the part before lead on to this part's first one and back.
            text = withKey(text, "/Prev " + QByteArray::number(m_lastItem) + " 0 R");
            if (!writeObject(m_lastItem,
                             withKey(m_heldItem, "/Next " + QByteArray::number(number) + " 0 R")))
                return false;
            m_heldItem.clear();
        }
        text.append(object.body.sliced(streamAt));
        if (number == lastItem) {
            m_heldItem = text;
            continue;
        }
        if (!writeObject(number, text))
            return false;
    }
    if (firstItem > 0 && lastItem > 0) {
        if (m_firstItem == 0)
            m_firstItem = firstItem;
        m_lastItem = lastItem;
    }
    return true;
}

bool PdfJoin::finish()
{
    if (m_catalog <= 0)
        return fail(QStringLiteral("the document has no pages"));
    if (!m_heldItem.isEmpty() && !writeObject(m_lastItem, m_heldItem))
        return false;
    QByteArray tree = "\n<< /Type /Pages\n   /Kids [";
    for (int kid : m_kids)
        tree += ' ' + QByteArray::number(kid) + " 0 R";
    tree += " ]\n   /Count " + QByteArray::number(qsizetype(m_kids.size())) + "\n>>\n";
    QByteArray outline = "\n<< /Type /Outlines\n";
    if (m_firstItem > 0)
        outline += "   /First " + QByteArray::number(m_firstItem) + " 0 R\n   /Last " +
                   QByteArray::number(m_lastItem) + " 0 R\n";
    outline += "   /Count " +
               QByteArray::number(m_outlineClosed ? -m_outlineCount : m_outlineCount) + "\n>>\n";
    if (!writeObject(pagesObject, tree) || !writeObject(outlinesObject, outline))
        return false;

    const qint64 xref = m_written;
    QByteArray table =
        "xref\n0 " + QByteArray::number(qsizetype(m_offsets.size())) + "\n0000000000 65535 f \n";
    for (size_t number = 1; number < m_offsets.size(); ++number) {
        if (m_offsets[number] <= 0)
            return fail(QStringLiteral("a part of the document could not be joined"));
        table += QByteArray::number(m_offsets[number]).rightJustified(10, '0') + " 00000 n \n";
    }
    table += "trailer\n<< /Size " + QByteArray::number(qsizetype(m_offsets.size())) +
             "\n   /Root " + QByteArray::number(m_catalog) + " 0 R\n";
    if (m_info > 0)
        table += "   /Info " + QByteArray::number(m_info) + " 0 R\n";
    table += ">>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return write(table);
}

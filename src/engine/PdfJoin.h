#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

class QIODevice;

// Joins PDF documents, each complete as cairo writes one (a classic cross-reference table, one
// page tree, an outline at the root), into one document: their pages in the order added, one
// outline holding every entry in that order, the first document's information and catalog.
// Objects are renumbered and written as each document is added, so only one is held at a time;
// stream data is copied as it is.
class PdfJoin
{
public:
    explicit PdfJoin(QIODevice& out);

    // False when the document is not one this can read or the output fails; nothing more should
    // be added then.
    bool add(const QByteArray& pdf);
    // Writes the page tree, the outline, the cross-reference table and the trailer.
    bool finish();
    QString errorString() const { return m_error; }

private:
    bool write(const QByteArray& bytes);
    bool fail(const QString& why);
    bool writeObject(int number, const QByteArray& body);

    QIODevice& m_out;
    QString m_error;
    qint64 m_written = 0;
    std::vector<qint64> m_offsets; // by joined object number; 0 for objects still to come
    std::vector<int> m_kids;       // the joined pages, in order
    int m_catalog = 0, m_info = 0;
    int m_outlineCount = 0;
    bool m_outlineClosed = false;
    int m_firstItem = 0, m_lastItem = 0;
    QByteArray m_heldItem; // the last entry so far, written once the next one is known
};

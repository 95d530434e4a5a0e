#pragma once

#include <QtEndian>
#include <QtGlobal>

// Font files store their numbers big-endian; every reader of their tables goes through these.
namespace BigEndian {

inline quint16 u16(const void* p)
{
    return qFromBigEndian<quint16>(p);
}
inline qint16 s16(const void* p)
{
    return qFromBigEndian<qint16>(p);
}
inline quint32 u32(const void* p)
{
    return qFromBigEndian<quint32>(p);
}

} // namespace BigEndian

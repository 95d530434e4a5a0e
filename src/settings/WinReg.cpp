#include "settings/WinReg.h"

#include "settings/RegistryDocument.h"

#include <cmath>
#include <limits>
#include <QCoreApplication>
#include <QJsonObject>
#include <QJsonValue>
#include <QStandardPaths>

namespace {

QStringList splitKeyPath(const QString& path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

// The key at path below root, if every step of it is a key.
std::optional<QJsonObject> keyAt(const QJsonObject& root, const QStringList& path)
{
    QJsonObject key = root;
    for (const QString& part : path) {
        const QJsonValue child = key.value(part);
        if (!child.isObject())
            return std::nullopt;
        key = child.toObject();
    }
    return key;
}

enum class Creation { Existed, Created, Failed };

// Creates the keys of path below root that are missing. Fails, changing nothing, where a value
// holds a name the path needs as a key.
Creation createKey(QJsonObject& root, const QStringList& path)
{
    if (path.isEmpty())
        return Creation::Existed;
    const QJsonValue child = root.value(path.first());
    if (!child.isUndefined() && !child.isObject())
        return Creation::Failed;
    QJsonObject key = child.toObject();
    Creation below = createKey(key, path.mid(1));
    if (below == Creation::Failed)
        return below;
    if (child.isUndefined())
        below = Creation::Created;
    if (below == Creation::Created)
        root.insert(path.first(), key);
    return below;
}

// Sets value name of the existing key at path. A key of that name is left alone: a value
// cannot take its place here as it could in the registry, and overwriting it would lose it.
bool setValue(QJsonObject& root, const QStringList& path, const QString& name,
              const QJsonValue& data)
{
    if (path.isEmpty()) {
        if (root.value(name).isObject())
            return false;
        root.insert(name, data);
        return true;
    }
    QJsonObject key = root.value(path.first()).toObject();
    if (!setValue(key, path.mid(1), name, data))
        return false;
    root.insert(path.first(), key);
    return true;
}

// Makes a section the current key for one operation and restores the previous one however the
// operation ends, so that an error leaves the store usable.
class CurrentKeyScope
{
public:
    CurrentKeyScope(std::optional<QStringList>& current, const QStringList& section)
        : m_current(current), m_saved(current)
    {
        m_current = section;
    }
    ~CurrentKeyScope() { m_current = m_saved; }
    CurrentKeyScope(const CurrentKeyScope&) = delete;
    CurrentKeyScope& operator=(const CurrentKeyScope&) = delete;

private:
    std::optional<QStringList>& m_current;
    std::optional<QStringList> m_saved;
};

QString quoted(const char* format, const QString& name)
{
    return QCoreApplication::translate("TWinRegistry", format).arg(name);
}

[[noreturn]] void failGetData(const QString& name)
{
    throw ERegistryException(
        quoted(QT_TRANSLATE_NOOP("TWinRegistry", "Failed to get data for '%1'"), name));
}

[[noreturn]] void failDataType(const QString& name)
{
    throw ERegistryException(
        quoted(QT_TRANSLATE_NOOP("TWinRegistry", "Invalid data type for '%1'"), name));
}

bool isDword(const QJsonValue& data)
{
    if (!data.isDouble())
        return false;
    const double number = data.toDouble();
    return std::trunc(number) == number && number >= std::numeric_limits<qint32>::min() &&
           number <= std::numeric_limits<qint32>::max();
}

// The value's data as REG_SZ: its text, cut at the first NUL.
QString stringData(const QJsonValue& data, const QString& name)
{
    if (!data.isString())
        failDataType(name);
    const QString text = data.toString();
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

// The value's data as REG_DWORD. A string's data is its bytes and the terminating NUL; one
// longer than the four bytes of a DWORD fails before its type is looked at.
qint32 dwordData(const QJsonValue& data, const QString& name)
{
    if (data.isString() && data.toString().toUtf8().size() + 1 > 4)
        failGetData(name);
    if (!isDword(data))
        failDataType(name);
    return static_cast<qint32>(data.toDouble());
}

} // namespace

TWinRegistry::TWinRegistry(const QString& keyPath, std::function<void(const QString&)> notice,
                           Access access, const QString& document)
    : m_keyPath(keyPath),
      m_document(std::make_unique<RegistryDocument>(
          document.isEmpty() ? documentPath() : document, splitKeyPath(keyPath), std::move(notice),
          access == Access::ReadOnly ? RegistryDocument::Access::ReadOnly
                                     : RegistryDocument::Access::ReadWrite))
{
    const QStringList appKey = splitKeyPath(keyPath);
    if (access == Access::ReadOnly) {
        // Nothing to create: a missing key reads as missing sections, that is as defaults.
        m_currentKey = appKey;
        return;
    }
    Creation creation = Creation::Failed;
    const bool saved = m_document->update([&](QJsonObject& root) {
        creation = createKey(root, appKey);
        return creation == Creation::Created;
    });
    if (saved && creation != Creation::Failed)
        m_currentKey = appKey;
}

TWinRegistry::~TWinRegistry() = default;

QString TWinRegistry::CurrentPath() const
{
    return m_currentKey ? m_currentKey->join(QLatin1Char('\\')) : QString();
}

QString TWinRegistry::documentPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Typovex/registry.json");
}

QStringList TWinRegistry::parentPath() const
{
    return m_currentKey.value_or(QStringList());
}

std::optional<QJsonValue> TWinRegistry::readValue(const QString& section, const QString& name)
{
    const QJsonObject root = m_document->read();
    const QStringList sectionPath = parentPath() + splitKeyPath(section);
    if (!keyAt(root, sectionPath))
        return std::nullopt; // a read never creates the section
    CurrentKeyScope scope(m_currentKey, sectionPath);
    // A member that is an object is a subkey: no value of that name.
    const QJsonValue data = keyAt(root, *m_currentKey)->value(name);
    if (data.isUndefined() || data.isObject())
        return std::nullopt;
    return data;
}

void TWinRegistry::writeValue(const QString& section, const QString& name, const QJsonValue& data)
{
    const QStringList sectionPath = parentPath() + splitKeyPath(section);
    Creation creation = Creation::Existed;
    const bool saved = m_document->update([&](QJsonObject& root) {
        creation = createKey(root, sectionPath);
        if (creation == Creation::Failed)
            throw ERegistryException(
                quoted(QT_TRANSLATE_NOOP("TWinRegistry", "Failed to create key %1"), section));
        CurrentKeyScope scope(m_currentKey, sectionPath);
        if (!setValue(root, *m_currentKey, name, data))
            throw ERegistryException(
                quoted(QT_TRANSLATE_NOOP("TWinRegistry", "Failed to set data for '%1'"), name));
        return true;
    });
    // The section and the value land in one replacement of the file; when it fails, the first
    // step that needed it is the one reported.
    if (!saved && creation == Creation::Created)
        throw ERegistryException(
            quoted(QT_TRANSLATE_NOOP("TWinRegistry", "Failed to create key %1"), section));
    if (!saved)
        throw ERegistryException(
            quoted(QT_TRANSLATE_NOOP("TWinRegistry", "Failed to set data for '%1'"), name));
}

QString TWinRegistry::ReadString(const QString& section, const QString& name,
                                 const QString& defaultValue)
{
    const std::optional<QJsonValue> data = readValue(section, name);
    return data ? stringData(*data, name) : defaultValue;
}

void TWinRegistry::WriteString(const QString& section, const QString& name, const QString& value)
{
    writeValue(section, name, QJsonValue(value));
}

qint32 TWinRegistry::ReadInteger(const QString& section, const QString& name, qint32 defaultValue)
{
    const std::optional<QJsonValue> data = readValue(section, name);
    return data ? dwordData(*data, name) : defaultValue;
}

void TWinRegistry::WriteInteger(const QString& section, const QString& name, qint32 value)
{
    writeValue(section, name, QJsonValue(static_cast<qint64>(value)));
}

bool TWinRegistry::ReadBool(const QString& section, const QString& name, bool defaultValue)
{
    const std::optional<QJsonValue> data = readValue(section, name);
    return data ? dwordData(*data, name) != 0 : defaultValue;
}

void TWinRegistry::WriteBool(const QString& section, const QString& name, bool value)
{
    WriteInteger(section, name, value ? 1 : 0);
}

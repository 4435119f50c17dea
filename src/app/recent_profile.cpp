#include "app/recent_profile.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QSettings>
#include <QStandardPaths>

#include "app/ini_text.h"
#include "app/recent_files.h"

namespace quorvane {

namespace {

// QSettings' own INI format writes "[Recent%20File%20List]"; the profile keeps section names and
// values as they are, so it is read and written as plain INI text.
bool ReadPlainIni(QIODevice& device, QSettings::SettingsMap& map) {
    const QByteArray bytes = device.readAll();
    for (const IniEntry& entry : ParseIniText(std::string_view(bytes.constData(), bytes.size()))) {
        const QString key = QString::fromStdString(entry.key);
        map.insert(entry.section.empty() ? key : QString::fromStdString(entry.section) + '/' + key,
                   QString::fromStdString(entry.value));
    }
    return true;
}

bool WritePlainIni(QIODevice& device, const QSettings::SettingsMap& map) {
    // Keys outside any section come first; the map's order keeps each section's keys together.
    std::vector<IniEntry> topLevel;
    std::vector<IniEntry> grouped;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const qsizetype slash = it.key().lastIndexOf('/');
        IniEntry entry{slash < 0 ? std::string() : it.key().left(slash).toStdString(),
                       it.key().mid(slash + 1).toStdString(), it.value().toString().toStdString()};
        (slash < 0 ? topLevel : grouped).push_back(std::move(entry));
    }
    topLevel.insert(topLevel.end(), grouped.begin(), grouped.end());
    const std::string text = FormatIniText(topLevel);
    return device.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
}

QSettings::Format PlainIniFormat() {
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("ini"), ReadPlainIni, WritePlainIni);
    return format;
}

const QString kSection = QStringLiteral("Recent File List");

QString KeyOf(int number) {
    return QStringLiteral("File%1").arg(number);
}

}  // namespace

QString DefaultProfilePath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (folder.isEmpty()) {
        folder = QDir::homePath();
    }
    return QDir(folder).filePath(QStringLiteral("Quorvane.ini"));
}

std::vector<std::string> CRecentFileProfile::Load() const {
    QSettings settings(m_iniPath, PlainIniFormat());
    settings.beginGroup(kSection);
    std::vector<std::string> entries;
    for (int number = 1; number <= CRecentFileList::kMaxEntries; ++number) {
        const QString value = settings.value(KeyOf(number)).toString();
        if (!value.isEmpty()) {
            entries.push_back(value.toStdString());
        }
    }
    return entries;
}

bool CRecentFileProfile::Save(const std::vector<std::string>& entries) const {
    QDir().mkpath(QFileInfo(m_iniPath).absolutePath());
    QSettings settings(m_iniPath, PlainIniFormat());
    settings.remove(kSection);
    settings.beginGroup(kSection);
    int number = 1;
    for (const std::string& entry : entries) {
        settings.setValue(KeyOf(number++), QString::fromStdString(entry));
    }
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace quorvane

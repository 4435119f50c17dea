// The program's profile file: a plain INI file named after the program ("Quorvane.ini") in the
// user's configuration folder, holding the recent-file list in section "Recent File List" under
// the keys File1 .. File5.
#pragma once

#include <QString>
#include <string>
#include <vector>

namespace quorvane {

// The profile file's full path in the user's configuration folder.
QString DefaultProfilePath();

class CRecentFileProfile {
  public:
    explicit CRecentFileProfile(QString iniPath) : m_iniPath(std::move(iniPath)) {}

    const QString& Path() const { return m_iniPath; }
    // The entries File1 .. File5 in order; missing keys are skipped.
    std::vector<std::string> Load() const;
    // Replaces the section by `entries` as File1, File2, ...; returns false when the file could
    // not be written.
    bool Save(const std::vector<std::string>& entries) const;

  private:
    QString m_iniPath;
};

}  // namespace quorvane

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "model/document.h"
#include "model/numbers.h"

namespace quorvane {

bool CQuorvaneDoc::SaveToText(std::string& out, std::string* error) const {
    // Non-finite coordinates would be written as text that reads back as another number.
    for (int i = 0; i < m_nVertices; ++i) {
        if (!m_vertices[i].IsFinite()) {
            if (error) {
                *error = "vertex " + std::to_string(i) + " has a coordinate that is not a finite number";
            }
            return false;
        }
    }
    out.clear();
    out.reserve(static_cast<std::size_t>(m_nVertices) * 32 + m_polygons.IndexCount() * 8 + 32);
    out += "OFF\r\n";
    AppendInt(out, m_nVertices);
    out.push_back(' ');
    AppendInt(out, m_nPolygons);
    out.push_back(' ');
    AppendInt(out, m_nEdges);
    out += "\r\n";
    for (int i = 0; i < m_nVertices; ++i) {
        const CVector3D& v = m_vertices[i];
        AppendFixed6(out, v.x);
        out.push_back(' ');
        AppendFixed6(out, v.y);
        out.push_back(' ');
        AppendFixed6(out, v.z);
        out += "\r\n";
    }
    for (int j = 0; j < m_nPolygons; ++j) {
        m_polygons[j].AppendFaceLine(out);
        out += "\r\n";
    }
    return true;
}

namespace {

// The folder part of a path ("." when it has none).
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes all bytes to a descriptor, retrying short writes.
bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error) {
    const std::string base =
        path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
    std::string temp = FolderOf(path) + "/." + base + ".tmp-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        if (error) {
            *error = "cannot create a file in " + FolderOf(path) + ": " + std::strerror(errno);
        }
        return false;
    }
    // Keep the permissions of the file being replaced; a new file gets the usual ones.
    struct stat existing;
    mode_t mode;
    if (::stat(path.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    int savedErrno = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        if (error) {
            *error = std::strerror(savedErrno);
        }
        return false;
    }
    return true;
}

bool CQuorvaneDoc::SaveToFile(const std::string& path, std::string* error) {
    std::string text;
    if (!SaveToText(text, error)) {
        return false;
    }
    if (!WriteFileAtomically(path, text, error)) {
        return false;
    }
    m_bModified = false;
    return true;
}

}  // namespace quorvane

#include "core/port/FileSystem.h"

#include "core/base/Error.h"
#include "core/port/FolderSync.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace qm {
namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Opens a regular file for reading without ever blocking on a pipe or a device.
int openRegularFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Closes a file descriptor when it goes out of scope, unless released.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

// The file's size as it is now (0 when unknown: the reading checks the cap as it goes);
// refused when it is above the cap.
std::uint64_t checkedSize(const FileDescriptor& fd, const std::string& path, const FileCap& cap) {
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return 0;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size > cap.bytes) throw FileTooLarge(path, cap);
    return size;
}

// Reads a file opened by openRegularFile; a file that grows past its cap is refused then.
class RealFileReader final : public FileReader {
public:
    RealFileReader(int fd, std::string path, const FileCap& cap)
        : m_fd(fd)
        , m_path(std::move(path))
        , m_cap(cap) {}
    ~RealFileReader() override { ::close(m_fd); }
    RealFileReader(const RealFileReader&) = delete;
    RealFileReader& operator=(const RealFileReader&) = delete;
    std::optional<std::size_t> read(char* data, std::size_t size) override {
        for (;;) {
            const ssize_t n = ::read(m_fd, data, size);
            if (n >= 0) {
                m_got += static_cast<std::uint64_t>(n);
                if (m_got > m_cap.bytes) throw FileTooLarge(m_path, m_cap);
                return static_cast<std::size_t>(n);
            }
            if (errno != EINTR) return std::nullopt;
        }
    }

private:
    int m_fd;
    std::string m_path;
    FileCap m_cap;
    std::uint64_t m_got = 0;
};

// Whether a direct write of the file would be allowed. The write permission of the class the
// process falls in decides, as the system would judge an open for writing; a file that no
// class may write is read-only for every user, the superuser included, as a read-only file
// is meant to be.
bool mayWrite(const struct stat& st) {
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    if (::geteuid() == 0) return true;
    if (st.st_uid == ::geteuid()) return (st.st_mode & S_IWUSR) != 0;
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(0, ::getgroups(0, nullptr))));
    const int count = ::getgroups(static_cast<int>(groups.size()), groups.data());
    groups.resize(static_cast<std::size_t>(std::max(0, count)));
    groups.push_back(::getegid());
    if (std::find(groups.begin(), groups.end(), st.st_gid) != groups.end())
        return (st.st_mode & S_IWGRP) != 0;
    return (st.st_mode & S_IWOTH) != 0;
}

// flock() locks die with their process, so a lock left by a killed reader is free again.
class FlockLock final : public FileLock {
public:
    explicit FlockLock(int fd)
        : m_fd(fd) {}
    ~FlockLock() override {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
    FlockLock(const FlockLock&) = delete;
    FlockLock& operator=(const FlockLock&) = delete;

private:
    int m_fd;
};

// A safe write: the bytes go to a temporary beside the file (the link's target), which takes
// the old file's mode and owner; every write is checked, the bytes are synced, and only then
// is the temporary renamed over the file. Pieces are gathered into a buffer so that many small
// ones cost few system calls.
class RealFileWriter final : public FileWriter {
public:
    RealFileWriter(std::string path, std::string target, FolderSync& folderSync)
        : m_path(std::move(path))
        , m_target(std::move(target))
        , m_folderSync(folderSync) {
        struct stat old {};
        const bool replacing = ::stat(m_target.c_str(), &old) == 0;
        if (replacing && !S_ISREG(old.st_mode)) throw UserError(cannotCreateFileMessage(m_path));
        if (replacing && !mayWrite(old)) throw UserError(unableToWriteMessage(m_path));
        const auto slash = m_target.find_last_of('/');
        const std::string name =
            slash == std::string::npos ? m_target : m_target.substr(slash + 1);
        m_temp = folderOf(m_target) + temporaryPrefix(name) + "XXXXXX";
        if (slash == std::string::npos) m_temp = temporaryPrefix(name) + "XXXXXX";
        m_fd = ::mkstemp(m_temp.data());
        if (m_fd < 0) throw UserError(cannotCreateFileMessage(m_path));
        if (replacing) {
            // The new file takes the old one's place: its mode, and its owner where the
            // process may give it (a failure leaves the writer as the owner).
            if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
                (void)!::fchown(m_fd, old.st_uid, old.st_gid);
            ::fchmod(m_fd, old.st_mode & 07777);
        } else {
            // Keep the permissions an ordinary new file would get.
            const mode_t mask = ::umask(0);
            ::umask(mask);
            ::fchmod(m_fd, 0666 & ~mask);
        }
    }
    ~RealFileWriter() override { abandon(); }
    RealFileWriter(const RealFileWriter&) = delete;
    RealFileWriter& operator=(const RealFileWriter&) = delete;

    void write(std::string_view bytes) override {
        if (m_fd < 0) throw UserError(unableToWriteMessage(m_path));
        if (m_buffer.size() + bytes.size() <= kBufferSize) {
            // The buffer takes its full size when it first grows: grown by doubling, it would
            // pass its size (to twice the last step) and hold the old bytes beside the new.
            if (m_buffer.size() + bytes.size() > m_buffer.capacity()) m_buffer.reserve(kBufferSize);
            m_buffer += bytes;
            return;
        }
        flushOrFail();
        if (bytes.size() >= kBufferSize) {
            if (!writeAll(m_fd, bytes.data(), bytes.size())) fail(unableToWriteMessage(m_path));
        } else {
            m_buffer += bytes;
        }
    }
    void commit() override {
        if (m_fd < 0) throw UserError(unableToWriteMessage(m_path));
        flushOrFail();
        const bool synced = ::fsync(m_fd) == 0;
        const bool closed = ::close(std::exchange(m_fd, -1)) == 0;
        if (!synced || !closed) fail(unableToWriteMessage(m_path));
        if (::rename(m_temp.c_str(), m_target.c_str()) != 0)
            fail(cannotCreateFileMessage(m_path));
        m_temp.clear();
        // The rename is made durable on the folder syncer's thread (see FolderSync.h).
        m_folderSync.add(folderOf(m_target));
    }

private:
    static constexpr std::size_t kBufferSize = std::size_t{1} << 16;

    void flushOrFail() {
        if (!writeAll(m_fd, m_buffer.data(), m_buffer.size())) fail(unableToWriteMessage(m_path));
        m_buffer.clear();
    }
    [[noreturn]] void fail(const std::string& message) {
        abandon();
        throw UserError(message);
    }
    void abandon() noexcept {
        if (m_fd >= 0) ::close(std::exchange(m_fd, -1));
        if (!m_temp.empty()) ::unlink(m_temp.c_str());
        m_temp.clear();
    }

    std::string m_path;
    std::string m_target;
    FolderSync& m_folderSync;
    std::string m_temp;
    std::string m_buffer;
    int m_fd = -1;
};

class RealFileSystem final : public FileSystem {
public:
    std::unique_ptr<FileLock> lock(const std::string& path) override {
        // The folder is there for as long as the file is and is never replaced by a write.
        const std::string folder = folderOf(writeTarget(path));
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return nullptr;
        while (::flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(fd);
                return nullptr;
            }
        }
        return std::make_unique<FlockLock>(fd);
    }
    bool fileExists(const std::string& path) const override {
        struct stat st {};
        return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }
    bool folderExists(const std::string& path) const override {
        struct stat st {};
        return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    void createFolder(const std::string& path) override {
        if (::mkdir(path.c_str(), 0755) == 0) return;
        const int error = errno;
        // Made by someone else between a look and this mkdir: the folder is there all the same.
        if (error == EEXIST && folderExists(path)) return;
        if (error == EEXIST)
            throw UserError("Cannot make the folder " + path +
                            ": a file (or a link to nothing) has that name. Move it away, or "
                            "choose another folder.");
        throw UserError(std::string(std::strerror(error)) + ": " + path);
    }
    std::string writeTarget(const std::string& path) const override {
        // Follows the chain of links by hand, so that a link to a file not made yet still
        // leads to where that file will be.
        std::string target = path;
        for (int hops = 0; hops < 40; ++hops) {
            struct stat st {};
            if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return target;
            std::string link(static_cast<std::size_t>(st.st_size) + 1, '\0');
            const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
            if (n <= 0 || static_cast<std::size_t>(n) >= link.size()) return target;
            link.resize(static_cast<std::size_t>(n));
            const auto slash = target.find_last_of('/');
            target = link.front() == '/' || slash == std::string::npos
                         ? link
                         : target.substr(0, slash + 1) + link;
        }
        return target;
    }
    void writeFile(const std::string& path, const std::string& bytes) override {
        const std::unique_ptr<FileWriter> out = beginWrite(path);
        out->write(bytes);
        out->commit();
    }
    std::unique_ptr<FileWriter> beginWrite(const std::string& path) override {
        return std::make_unique<RealFileWriter>(path, writeTarget(path), m_folderSync);
    }
    bool removeFile(const std::string& path) override { return ::unlink(path.c_str()) == 0; }
    bool removeFolder(const std::string& path) override { return ::rmdir(path.c_str()) == 0; }
    std::vector<FolderEntry> listFolder(const std::string& folder) const override {
        std::vector<FolderEntry> entries;
        DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
        if (!dir) return entries;
        const std::time_t now = std::time(nullptr);
        std::string base = folder;
        if (!base.empty() && base.back() != '/') base += '/';
        while (const dirent* e = ::readdir(dir)) {
            struct stat st {};
            if (::lstat((base + e->d_name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
            entries.push_back({e->d_name, static_cast<long long>(now - st.st_mtime)});
        }
        ::closedir(dir);
        return entries;
    }

protected:
    std::optional<std::string> readCapped(const std::string& path,
                                          const FileCap& cap) const override {
        // Never blocks on a pipe or a device: anything but a regular file is refused before a
        // byte is read.
        const FileDescriptor fd(openRegularFile(path));
        if (fd.get() < 0) return std::nullopt;
        // Read into a buffer of the file's size; only a file that grew while being read
        // makes it grow, so an ordinary read copies nothing.
        std::string bytes;
        bytes.resize(static_cast<std::size_t>(checkedSize(fd, path, cap)));
        std::size_t got = 0;
        for (;;) {
            ssize_t n;
            if (got < bytes.size()) {
                n = ::read(fd.get(), bytes.data() + got, bytes.size() - got);
                if (n > 0) got += static_cast<std::size_t>(n);
            } else {
                char more[4096];
                n = ::read(fd.get(), more, sizeof more);
                if (n > 0) {
                    if (got + static_cast<std::size_t>(n) > cap.bytes)
                        throw FileTooLarge(path, cap);
                    bytes.append(more, static_cast<std::size_t>(n));
                    got = bytes.size();
                }
            }
            if (n < 0) {
                if (errno == EINTR) continue;
                return std::nullopt;
            }
            if (n == 0) break;
        }
        bytes.resize(got);
        return bytes;
    }
    std::unique_ptr<FileReader> openCapped(const std::string& path,
                                           const FileCap& cap) const override {
        FileDescriptor fd(openRegularFile(path));
        if (fd.get() < 0) return nullptr;
        checkedSize(fd, path, cap);
        auto reader = std::make_unique<RealFileReader>(fd.get(), path, cap);
        fd.release();
        return reader;
    }

private:
    FolderSync m_folderSync;
};

} // namespace

std::unique_ptr<FileSystem> makeRealFileSystem() {
    return std::make_unique<RealFileSystem>();
}

} // namespace qm

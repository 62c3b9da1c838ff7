#pragma once
// The file-system port. The core reads and writes files only through it, so tests can run
// on an in-memory file system and inject a failure at any step of a write.
//
// Writes are whole-file and safe: the bytes go to a temporary file in the same folder, every
// write, the flush and the sync are checked, and only then is the temporary renamed over the
// old file. On any failure the temporary is removed, the old file is left byte for byte as it
// was, and UserError carries the user's message ("Cannot create file %s" when the file cannot
// be created, "Unable to write to %s" when writing it fails or the file may not be written).
// A symbolic link is written through: the temporary goes beside the file it points to, and
// the link stays. The new file keeps the old one's mode (and owner, where the process may).
#include "core/port/FileCaps.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// Reads a file piece by piece, for texts too large to hold whole beside what is made of them.
class FileReader {
public:
    virtual ~FileReader() = default;
    // Reads up to `size` bytes; 0 at the end of the file; nothing on a read error. Throws
    // FileTooLarge when the file has grown past the cap it was opened with.
    virtual std::optional<std::size_t> read(char* data, std::size_t size) = 0;
};

// A lock held on a shared file; released when destroyed.
class FileLock {
public:
    virtual ~FileLock() = default;
};

// Writes a file piece by piece, as safely as a whole-file write: the pieces go to the
// temporary, and only commit() replaces the file. A writer let go without a commit (a failure
// or a cancel on the way) removes what it wrote and leaves the old file as it was.
class FileWriter {
public:
    virtual ~FileWriter() = default;
    // Throws UserError ("Unable to write to %s") when the bytes cannot be written.
    virtual void write(std::string_view bytes) = 0;
    // Replaces the file with everything written; throws UserError as a whole-file write
    // does. The writer takes no more pieces after it.
    virtual void commit() = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual bool fileExists(const std::string& path) const = 0;
    virtual bool folderExists(const std::string& path) const = 0;
    // Creates the last level of the folder. A folder already there (another copy of the reader
    // may have made it a moment ago) is success. Throws UserError saying what is wrong when
    // something else has the name, or with the system's message.
    virtual void createFolder(const std::string& path) = 0;
    // The whole file, or nothing when it does not exist or cannot be read (a folder, a pipe or
    // a device gives nothing, without waiting). A file larger than the cap is refused with
    // FileTooLarge before a byte of it is read, and so is one that grows past it meanwhile.
    std::optional<std::string> readFile(const std::string& path,
                                        const FileCap& cap = kAnyFileCap) const {
        return readCapped(path, cap);
    }
    // The file's bytes before a write replaces it, or nothing when there is no file. A file
    // that is there but cannot be read throws UserError ("Unable to write to %s"): it could not
    // be put back or merged with, so it must not be replaced. Another copy of the reader may
    // write the file meanwhile: one that appears after the first read is read again.
    std::optional<std::string> readBeforeReplacing(const std::string& path,
                                                   const FileCap& cap = kAnyFileCap) const;
    // The file opened for reading piece by piece, or nothing as for readFile. A file larger
    // than the cap is refused with FileTooLarge when opened; the reader throws it when the
    // file has grown past the cap since.
    std::unique_ptr<FileReader> openFile(const std::string& path,
                                         const FileCap& cap = kAnyFileCap) const {
        return openCapped(path, cap);
    }
    // Replaces the file with these bytes safely (see above); throws UserError on failure.
    virtual void writeFile(const std::string& path, const std::string& bytes) = 0;
    virtual bool removeFile(const std::string& path) = 0;
    // Removes an empty folder; false when it is not there, not empty or may not be removed.
    virtual bool removeFolder(const std::string& path) = 0;
    // The file a write of `path` replaces: `path` itself, or the end of its chain of links.
    virtual std::string writeTarget(const std::string& path) const { return path; }
    // Starts a safe write of the file in pieces, for bytes too many to gather first; throws
    // UserError as writeFile does when the file cannot be created. The writer must not outlive
    // the file system. The default gathers the pieces and hands them to writeFile at the
    // commit.
    virtual std::unique_ptr<FileWriter> beginWrite(const std::string& path);

    struct FolderEntry {
        std::string name;
        long long ageSeconds = 0; // since the entry was last modified
    };
    // The regular files of a folder; empty when it cannot be read.
    virtual std::vector<FolderEntry> listFolder(const std::string& folder) const = 0;

    // Holds an exclusive lock for a shared file for the few milliseconds of a
    // read-modify-write, waiting while another process holds it. The real one locks the folder
    // that holds the file (the link's target's folder): not the file, whose every write
    // replaces it by a new one, nor a lock file, which would stay behind; the lock dies with
    // its process, so a killed reader blocks nobody. Nothing when no lock can be taken: the
    // caller goes on unlocked.
    virtual std::unique_ptr<FileLock> lock(const std::string& path) = 0;

protected:
    virtual std::optional<std::string> readCapped(const std::string& path,
                                                  const FileCap& cap) const = 0;
    // The default reads the file whole and hands it out from memory.
    virtual std::unique_ptr<FileReader> openCapped(const std::string& path,
                                                   const FileCap& cap) const;
};

// The name of a temporary file written for the file `fileName`: this prefix, then six letters
// or digits. Hidden and program-specific, so that no file of the user's has such a name.
std::string temporaryPrefix(const std::string& fileName);

// Removes the temporary files a killed write of this file may have left beside it (or beside
// the file its link points to), when they are old enough that no running copy of the reader
// can still be writing them. Only names of the temporaries' own form are touched.
void removeStrayTemporaries(FileSystem& fs, const std::string& path);

// True when `entry` (a name in a folder) is of the form of a temporary written for `fileName`.
bool isTemporaryOf(const std::string& entry, const std::string& fileName);

// True when an entry listed by listFolder is old enough that no running copy of the reader
// can still be writing it.
bool isStale(const FileSystem::FolderEntry& entry);

// The real file system of this machine (POSIX).
std::unique_ptr<FileSystem> makeRealFileSystem();

} // namespace qm

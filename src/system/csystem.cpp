// CSystem, the copy engine of an installation run.
#include "system/csystem.h"

#include <cstdio>
#include <unordered_map>

#include "platform/errors.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/stream.h"
#include "platform/volume_root.h"
#include "system/copy_file_overwrite.h"
#include "ui/message_box.h"

namespace zefi {

namespace {

uint32_t Low(uint64_t value) { return static_cast<uint32_t>(value & 0xFFFFFFFFu); }
uint32_t High(uint64_t value) { return static_cast<uint32_t>(value >> 32); }

// The subdirectory part of a pattern such as "sub\*.dat": everything up to and including its
// last backslash ("" when there is none).
std::string SubdirectoryPart(const std::string& pattern) {
    size_t pos = pattern.rfind('\\');
    return pos == std::string::npos ? std::string() : pattern.substr(0, pos + 1);
}

// The entries of a destination directory found by one search, by their exact names.
class DestinationSnapshot {
  public:
    void Take(const std::string& pattern) {
        platform::FindHandle find;
        platform::FindData entry;
        if (!find.First(pattern, &entry)) return;
        do {
            std::string key = entry.name;
            m_entries.emplace(std::move(key), std::move(entry));
        } while (find.Next(&entry));
    }
    // Forgets every entry: the directory is about to change.
    void Drop() { m_entries.clear(); }
    // The entry spelled exactly name; false when the search did not find it, and for a name
    // that the lookup of the path alone might read differently (a character Windows refuses
    // in names, such as a separator, or a path near the length limit).
    bool Find(const std::string& directory, const std::string& name,
              platform::FindData* out) const {
        if (m_entries.empty() || directory.size() + name.size() >= kShortPath) return false;
        for (unsigned char c : name) {
            if (c < 32 || c == '<' || c == '>' || c == ':' || c == '"' || c == '/' || c == '\\' ||
                c == '|' || c == '?' || c == '*') {
                return false;
            }
        }
        auto it = m_entries.find(name);
        if (it == m_entries.end()) return false;
        *out = it->second;
        return true;
    }

  private:
    static constexpr size_t kShortPath = 200;
    std::unordered_map<std::string, platform::FindData> m_entries;
};

bool IsDirectory(const std::string& path) {
    uint32_t attributes = platform::GetFileAttributes(path);
    return attributes != platform::kInvalidFileAttributes &&
           (attributes & platform::kAttrDirectory) != 0;
}

// Whether directory (ending with a backslash) exists and its entries can be listed; false with
// the system's last error otherwise. An empty directory lists nothing but counts.
bool IsListableDirectory(const std::string& directory) {
    std::string path = directory;
    if (path.size() > 3 && path.back() == '\\') path.pop_back();
    uint32_t attributes = platform::GetFileAttributes(path);
    if (attributes == platform::kInvalidFileAttributes) {
        // The directory is what is missing, whichever level of it.
        if (platform::GetLastError() == platform::kErrorFileNotFound)
            platform::SetLastError(platform::kErrorPathNotFound);
        return false;
    }
    if ((attributes & platform::kAttrDirectory) == 0) {
        platform::SetLastError(platform::kErrorPathNotFound);
        return false;
    }
    platform::FindHandle find;
    platform::FindData entry;
    if (find.First(directory + "*", &entry)) return true;
    return platform::GetLastError() == platform::kErrorFileNotFound;
}

}  // namespace

CSystem::CSystem(LogStream& log) : m_log(log) {}

void CSystem::SetFailure(uint32_t code, bool onDestination) {
    m_lastError = code;
    m_errorOnDestination = onDestination;
}

bool CSystem::StopRequested() { return m_sink != nullptr && m_sink->GetThreadStop(); }

bool CSystem::CopyFile(const std::string& source, const std::string& destination, uint32_t size) {
    if (StopRequested()) {
        m_log << "CSystem::CopyFile " << source << " , " << destination << LogStream::endl;
        m_interrupted = true;
        return false;
    }

    m_sourceName = source;
    m_destinationName = destination;
    if (m_sink) {
        m_sink->SetMode(kModeCopying);
        m_sink->SetSourceText(source);
        m_sink->SetDestinationText(destination);
        m_sink->SetFileSize(size);
        m_sink->SetBytesDone(0);
        m_sink->SetFreeSpace(GetFreeSpace(destination));
    }

    // A read-only, hidden or system destination would refuse to be overwritten.
    const uint32_t existing = platform::GetFileAttributes(destination);
    if (existing != platform::kInvalidFileAttributes) {
        platform::SetFileAttributes(destination, platform::kAttrNormal);
    }
    // A file there is replaced as a whole; a directory of that name fails as before.
    const bool replacing =
        existing != platform::kInvalidFileAttributes && (existing & platform::kAttrDirectory) == 0;

    if (size < kSystemCopyLimit) {
        m_log << "Calling Windows function CopyFile(): ";
        // An existing destination is replaced only by a complete copy.
        bool copied = CopyFileOverwrite(source, destination);
        uint32_t error = platform::GetLastError();
        if (!copied) m_lastError = error;
        // The system copy takes the source's attributes along; files from a CD are read-only.
        platform::SetFileAttributes(destination, platform::kAttrNormal);
        if (copied) {
            m_log << "success." << LogStream::endl;
            if (m_sink) m_sink->SetBytesDone(size);
            return true;
        }
        m_log << "failed with " << error << LogStream::endl;
    }
    return CopyByHand(source, destination, size, replacing);
}

bool CSystem::CopyByHand(const std::string& source, const std::string& destination, uint32_t size,
                         bool replacing) {
    m_log << "Copying by hand..." << LogStream::endl;
    // The blocks of a file that exists go to a temporary file beside it, which takes its place
    // only when every byte is written: a failure or a stop leaves the old file whole. The
    // volume must then hold the whole new file (size bytes) beside the old one, which is what
    // the space check below compares, measured after the temporary file is gone. A new file
    // is written in place and may stay partial.
    std::string written = replacing ? ReplacementName(destination) : std::string();
    if (written.empty()) written = destination;
    const bool viaTemporary = written != destination;

    platform::File in;
    if (!in.Open(source, platform::File::kRead, platform::File::kShareRead,
                 platform::File::kOpenExisting)) {
        SetFailure(platform::GetLastError(), false);
        m_log << "Error opening: " << source << LogStream::endl;
        return false;
    }
    platform::File out;
    if (viaTemporary) ClearReadOnly(written);
    if (!out.Open(written, platform::File::kWrite, platform::File::kShareNone,
                  platform::File::kCreateAlways)) {
        SetFailure(platform::GetLastError(), true);
        in.Close();
        m_log << "Error opening: " << destination << LogStream::endl;
        return false;
    }

    bool result = true;
    uint64_t total = 0;
    char buffer[kBlockSize];
    uint32_t got = 0;
    do {
        if (!in.Read(buffer, kBlockSize, &got)) {
            SetFailure(platform::GetLastError(), false);
            m_log << "Error reading: " << source << LogStream::endl;
            result = false;
            break;
        }
        // The read that ends a file whose size is a multiple of the block size gives 0 bytes;
        // it is written like any other so that the loop has one shape.
        uint32_t written = 0;
        bool ok = out.Write(buffer, got, &written);
        if (ok && written != got) {
            // A short write would silently truncate the file; treat it as the disk being full.
            ok = false;
            platform::SetLastError(platform::kErrorDiskFull);
        }
        if (!ok) {
            SetFailure(platform::GetLastError(), true);
            m_log << "Error writing: " << destination << LogStream::endl;
            result = false;
            break;
        }
        if (StopRequested()) {
            m_log << "Interrupted by user" << LogStream::endl;
            m_interrupted = true;
            result = false;
            break;
        }
        total += got;
        if (m_sink) {
            m_sink->SetBytesDone(total > kHugeFileSize ? kHugeFileSize
                                                       : static_cast<uint32_t>(total));
            m_sink->SetFreeSpace(GetFreeSpace(destination));
        }
    } while (got == kBlockSize);

    // The next newer-only run compares last-write times, so the copy keeps the source's.
    platform::FileTime lastWrite = 0;
    if (in.GetLastWriteTime(&lastWrite)) out.SetLastWriteTime(lastWrite);
    in.Close();
    if (!out.Close() && result) {
        SetFailure(platform::GetLastError(), true);
        m_log << "Error writing: " << destination << LogStream::endl;
        result = false;
    }
    if (result && viaTemporary && !platform::MoveFile(written, destination, true)) {
        SetFailure(platform::GetLastError(), true);
        m_log << "Error writing: " << destination << LogStream::endl;
        result = false;
    }
    if (!result && viaTemporary) DiscardTemporary(written);

    if (result) {
        if (m_sink) m_sink->SetBytesDone(size);
        return true;
    }
    double free = GetFreeSpace(destination);
    if (free < static_cast<double>(size)) {
        m_log << "Not enough space: needed: " << size << ", real: " << free << LogStream::endl;
    }
    m_log << "GetLastError: " << m_lastError << LogStream::endl;
    return false;
}

bool CSystem::CopyFiles(const std::string& sourceDir, const std::string& destinationDir,
                        const std::string& pattern, bool newerOnly) {
    if (!MakeDirectory(destinationDir)) {
        m_lastError = platform::GetLastError();
        m_log << "Error creating directory: " << destinationDir << LogStream::endl;
        m_destinationName = destinationDir;
        m_errorOnDestination = true;
        return false;
    }

    std::string subdirectory = SubdirectoryPart(pattern);
    std::string name = pattern.substr(subdirectory.size());
    std::string srcDir = sourceDir;
    std::string dstDir = destinationDir;
    if (!subdirectory.empty()) {
        std::string created = destinationDir + subdirectory;
        if (!MakeDirectory(created)) {
            m_lastError = platform::GetLastError();
            m_log << "Error creting directory: " << created << LogStream::endl;
            m_destinationName = created;
            m_errorOnDestination = true;
            return false;
        }
        srcDir += subdirectory;
        dstDir += subdirectory;
    }

    if (m_sink) {
        m_sink->SetSourceText(srcDir);
        m_sink->SetDestinationText(dstDir);
    }

    std::string searched = srcDir + name;
    platform::FindHandle find;
    platform::FindData entry;
    if (!find.First(searched, &entry)) {
        m_log << "Warning: file not found: " << searched << LogStream::endl;
        return true;
    }
    // A newer-only run compares every file with its copy. One search of the destination
    // answers for all the copies spelled as in the source, as long as this loop has changed
    // nothing there; any other name, and every file after the first copy, is looked up alone.
    DestinationSnapshot destination;
    bool absolute = dstDir.size() >= 3 && dstDir[1] == ':' && dstDir[2] == '\\';
    if (newerOnly && absolute) destination.Take(dstDir + name);
    do {
        if (entry.attributes & platform::kAttrDirectory) continue;
        std::string sourceFile = srcDir + entry.name;
        std::string destinationFile = dstDir + entry.name;
        m_log << "srcfile: " << sourceFile << ", size: " << Low(entry.size)
              << ", time: " << Low(entry.lastWriteTime) << ", " << High(entry.lastWriteTime)
              << LogStream::endl;
        m_log << "dstfile: " << destinationFile;
        if (!newerOnly) {
            m_log << " not NewOnly, copying..." << LogStream::endl;
        } else {
            platform::FindData existing;
            if (!destination.Find(dstDir, entry.name, &existing) &&
                !platform::GetFileInfo(destinationFile, &existing)) {
                m_log << " not found, copying..." << LogStream::endl;
            } else {
                m_log << ", size: " << Low(existing.size)
                      << ", time: " << Low(existing.lastWriteTime) << ", "
                      << High(existing.lastWriteTime);
                if (existing.lastWriteTime == entry.lastWriteTime) {
                    if (Low(existing.size) == Low(entry.size) &&
                        High(existing.size) == High(entry.size)) {
                        if (m_sink) m_sink->SetMode(kModeChecking);
                        m_log << "...skipped" << LogStream::endl;
                        continue;
                    }
                    m_log << LogStream::endl;
                }
                // With different times the line stays open: CopyFile's first words end it.
            }
        }
        uint32_t size = High(entry.size) != 0 ? kHugeFileSize : Low(entry.size);
        destination.Drop();
        if (!CopyFile(sourceFile, destinationFile, size)) {
            m_log << "CopyFile() failed!" << LogStream::endl;
            return false;
        }
    } while (find.Next(&entry));
    return true;
}

bool CSystem::DeleteFiles(const std::string& directory, const std::string& pattern) {
    m_log << "Deleting: " << directory << pattern << " ... ";
    platform::FindHandle find;
    platform::FindData entry;
    if (!find.First(directory + pattern, &entry)) {
        m_log << 0u << " deleted." << LogStream::endl;
        return false;
    }
    std::string prefix = directory + SubdirectoryPart(pattern);
    bool result = true;
    uint32_t count = 0;
    do {
        ++count;
        std::string path = prefix + entry.name;
        ClearReadOnly(path);
        if (!platform::DeleteFile(path)) {
            m_log << "DeleteFile failed for: " << path << LogStream::endl;
            result = false;
        }
    } while (find.Next(&entry));
    m_log << count << " deleted." << LogStream::endl;
    return result;
}

bool CSystem::DeleteMissing(const std::string& sourceDir, const std::string& destinationDir,
                            const std::string& pattern) {
    platform::FindHandle find;
    platform::FindData entry;
    if (!find.First(destinationDir + pattern, &entry)) return true;

    std::string subdirectory = SubdirectoryPart(pattern);
    std::string srcDir = sourceDir + subdirectory;
    std::string dstDir = destinationDir + subdirectory;
    if (m_sink) {
        m_sink->SetMode(kModeSynchronising);
        m_sink->SetDestinationText(dstDir);
        m_sink->SetSourceText(srcDir);
    }
    // A file is gone from the source only when the source directory itself is there to say
    // so. A missing directory, a drive that is not mapped or no longer attached, or a source
    // that cannot be listed would otherwise look as if every file had been dropped.
    if (!IsListableDirectory(srcDir)) {
        SetFailure(platform::GetLastError(), false);
        m_sourceName = srcDir;
        m_destinationName = dstDir;
        m_log << "Error reading: " << srcDir << ", nothing deleted in " << dstDir
              << LogStream::endl;
        m_log << "GetLastError: " << m_lastError << LogStream::endl;
        return false;
    }
    do {
        platform::FindHandle lookup;
        platform::FindData found;
        if (lookup.First(srcDir + entry.name, &found)) continue;
        // Only "no such file" means the source dropped it. A source that went away meanwhile
        // (path not found), or cannot be read (drive not ready, access denied, network gone)
        // must not cost the user the file.
        if (platform::GetLastError() != platform::kErrorFileNotFound) continue;
        DeleteFiles(dstDir, entry.name);
    } while (find.Next(&entry));
    return true;
}

bool CSystem::MakeDirectory(const std::string& path) {
    if (path.size() <= 3 && path.size() >= 2 && path[1] == ':') return true;

    std::string directory = path;
    if (!directory.empty() && directory.back() == '\\') directory.pop_back();
    if (IsDirectory(directory)) return true;

    size_t pos = directory.rfind('\\');
    if (pos != std::string::npos && pos >= 1) {
        std::string parent = directory.substr(0, pos);
        if (!IsDirectory(parent) && !MakeDirectory(parent)) return false;
    }
    return platform::CreateDirectory(directory);
}

bool CSystem::FileExists(const std::string& directory, const std::string& name) {
    std::string path = directory;
    if (path.empty() || path.back() != '\\') path += '\\';
    return FindFile(path + name, false);
}

bool CSystem::FindFile(const std::string& path, bool nonEmpty) {
    platform::FindHandle find;
    platform::FindData entry;
    if (!find.First(path, &entry)) return false;
    return !nonEmpty || entry.size != 0;
}

double CSystem::GetFreeSpace(const std::string& path) {
    // The root as the volume calls take it, with its closing backslash: a share root without
    // one is no volume to them.
    const std::string root = platform::VolumeRoot(path);
    if (root.empty()) return 0;
    // The extended query replaces the cluster estimate whenever it answers, so the estimate
    // is only needed when it does not.
    if (platform::HasDiskFreeSpaceEx()) {
        uint64_t freeToCaller = 0, totalBytes = 0, totalFree = 0;
        if (platform::GetDiskFreeSpaceEx(root, &freeToCaller, &totalBytes, &totalFree)) {
            return static_cast<double>(freeToCaller);
        }
    }
    uint32_t sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (platform::GetDiskFreeSpace(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                                   &totalClusters)) {
        return static_cast<double>(uint64_t{sectorsPerCluster} * bytesPerSector * freeClusters);
    }
    return 0;
}

bool CSystem::IsCdRomDrive(char letter) {
    std::string root = "c:\\";
    root[0] = letter;
    return platform::GetDriveType(root) == platform::kDriveCdRom;
}

bool CSystem::TypeFile(const std::string& path) {
    platform::Stream file;
    if (!file.Open(path, "r")) return false;
    char line[256];
    std::string text;
    while (file.Gets(line, sizeof line)) text += line;
    // The dialog host shows it where a person reads it, without mixing it into the answers
    // that an unattended run prints.
    ui::ShowText(text);
    return true;
}

bool CSystem::ShouldExit() {
    m_log << "Enter CSystem::ShouldExit()" << LogStream::endl;
    if (StopRequested()) {
        m_log << "CSystem::ShouldExit() Dlg->GetThreadStop()" << LogStream::endl;
        m_interrupted = true;
    }
    return m_interrupted;
}

}  // namespace zefi

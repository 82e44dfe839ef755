// CTextFile: line-wise reading and rewriting of configuration and batch files.
#include "system/text_file.h"

#include "platform/ascii.h"
#include "platform/errors.h"
#include "platform/fs.h"
#include "platform/stream.h"
#include "system/copy_file_overwrite.h"

namespace zefi {

namespace {

// A piece of a configuration line: 255 characters and the terminating NUL. FindStartPath reads
// its batch file in pieces of 127.
constexpr int kPieceBuffer = 256;
constexpr int kStartPathBuffer = 128;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char At(const std::string& text, size_t i) { return i < text.size() ? text[i] : '\0'; }

using platform::FindNoCase;

// A C string comparison of at most n characters that ignores case: both texts ending together
// before n characters also count as equal, so a key shorter than n matches only a line that
// ends where it does.
bool EqualNoCase(const std::string& text, const std::string& prefix, size_t n) {
    return platform::CompareNoCase(text, prefix, n) == 0;
}

constexpr size_t kKeyLength = 3;

bool KeyMatches(const std::string& line, const std::string& key) {
    return EqualNoCase(line, key, kKeyLength);
}

// The value after the first "=" of a line: its first word, or the rest of the line without
// trailing white space.
std::string ValueOf(const std::string& line, bool wholeLine) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) return "";
    size_t begin = eq + 1;
    while (begin < line.size() && IsSpace(line[begin])) ++begin;
    size_t end = begin;
    if (wholeLine) {
        end = line.size();
        while (end > begin && IsSpace(line[end - 1])) --end;
    } else {
        while (end < line.size() && !IsSpace(line[end])) ++end;
    }
    return line.substr(begin, end - begin);
}

// How a pass over a file's pieces ended.
enum class Pass { kRead, kNotOpened, kReadError };

// Reads the file at path piece by piece and hands each to visit until it returns false. A read
// error ends the pass at once, whatever visit has seen so far.
template <typename Visit>
Pass ForEachPiece(const std::string& path, int bufferSize, Visit visit) {
    platform::Stream file;
    if (!file.Open(path, "r")) return Pass::kNotOpened;
    char buffer[kPieceBuffer];
    while (file.Gets(buffer, bufferSize)) {
        if (!visit(std::string(buffer))) return Pass::kRead;
    }
    return file.Error() ? Pass::kReadError : Pass::kRead;
}

}  // namespace

CTextFile::CTextFile(const std::string& path) : m_path(path) {}

std::string CTextFile::TemporaryName(const std::string& path) {
    size_t dot = path.rfind('.');
    std::string name = dot == std::string::npos ? path + "bak" : path.substr(0, dot + 1) + "bak";
    // A file that already ends in ".bak" would be its own temporary file and be truncated
    // while it is still being read.
    if (name.size() == path.size() && EqualNoCase(name, path, name.size())) name = path + ".bak";
    return name;
}

void CTextFile::StoreError(bool storeError) {
    if (storeError) m_lastError = platform::GetLastError();
}

std::string CTextFile::ReadResult(int pass, const std::string& result) {
    m_readFailed = static_cast<Pass>(pass) == Pass::kReadError;
    if (!m_readFailed) return result;
    // The part read before the error is not the file's content.
    m_lastError = platform::GetLastError();
    return "";
}

std::string CTextFile::ReadValue(const std::string& key, bool wholeLine) {
    m_readFailed = false;
    if (key.empty()) return "";
    std::string value;
    Pass pass = ForEachPiece(m_path, kPieceBuffer, [&](const std::string& piece) {
        if (!KeyMatches(piece, key)) return true;
        value = ValueOf(piece, wholeLine);
        return false;
    });
    return ReadResult(static_cast<int>(pass), value);
}

bool CTextFile::Rewrite(const PieceEditor& edit, bool storeError) {
    platform::Stream in;
    if (!in.Open(m_path, "r")) {
        StoreError(storeError);
        return false;
    }
    std::string temporary = TemporaryName(m_path);
    platform::Stream out;
    if (!out.Open(temporary, "w")) {
        StoreError(storeError);
        in.Close();
        return false;
    }

    char buffer[kPieceBuffer];
    while (in.Gets(buffer, kPieceBuffer)) {
        std::string piece(buffer);
        std::string text = piece;
        PieceAction action = edit(piece, &text);
        if (action == PieceAction::kAbort) {
            in.Close();
            out.Close();
            return false;
        }
        if (action == PieceAction::kDrop) continue;
        if (out.Write(text.data(), text.size()) != text.size()) {
            StoreError(storeError);
            in.Close();
            out.Close();
            return false;
        }
    }
    // A read error part-way would otherwise pass a truncated file off as the new content.
    if (in.Error()) {
        StoreError(storeError);
        in.Close();
        out.Close();
        return false;
    }
    in.Close();
    // The new content reaches the disk before it takes the file's place: after a power cut the
    // file then holds the old or the new content, never an empty one.
    if (!out.Commit()) {
        StoreError(storeError);
        out.Close();
        return false;
    }
    if (!out.Close()) {
        StoreError(storeError);
        return false;
    }

    // The new content takes the file's place in one rename, so that no failure can leave the
    // configuration missing; a read-only file would refuse to be replaced.
    ClearReadOnly(m_path);
    if (!platform::MoveFile(temporary, m_path, true)) {
        StoreError(storeError);
        return false;
    }
    return true;
}

std::string CTextFile::ReadKey(const std::string& key) { return ReadValue(key, false); }

std::string CTextFile::ReadKeyLine(const std::string& key) { return ReadValue(key, true); }

bool CTextFile::WriteKey(const std::string& key, const std::string& value) {
    return Rewrite(
        [&](const std::string& piece, std::string* out) {
            if (!KeyMatches(piece, key)) return PieceAction::kWrite;
            size_t eq = piece.find('=');
            if (eq == std::string::npos) return PieceAction::kAbort;
            *out = piece.substr(0, eq + 1) + " " + value + "\n";
            return PieceAction::kWrite;
        },
        true);
}

std::string CTextFile::GetRemLine() {
    std::string line;
    Pass pass = ForEachPiece(m_path, kPieceBuffer, [&](const std::string& piece) {
        if (!EqualNoCase(piece, "REM ", 4)) return true;
        line = piece;
        return false;
    });
    return ReadResult(static_cast<int>(pass), line);
}

bool CTextFile::SetRemLine(const std::string& line) {
    bool replaced = false;
    return Rewrite(
        [&](const std::string& piece, std::string* out) {
            if (!replaced && EqualNoCase(piece, "REM ", 4)) {
                replaced = true;
                *out = line;
            }
            return PieceAction::kWrite;
        },
        true);
}

std::string CTextFile::GetAmpersandBlock() {
    std::string block;
    bool inBlock = false;
    Pass pass = ForEachPiece(m_path, kPieceBuffer, [&](const std::string& piece) {
        if (At(piece, 0) == '&') {
            inBlock = true;
            block += piece;
            return true;
        }
        return !inBlock;
    });
    return ReadResult(static_cast<int>(pass), block);
}

bool CTextFile::SetAmpersandBlock(const std::string& text) {
    bool replaced = false;
    return Rewrite(
        [&](const std::string& piece, std::string* out) {
            if (At(piece, 0) != '&') return PieceAction::kWrite;
            if (replaced) return PieceAction::kDrop;
            replaced = true;
            *out = text;
            return PieceAction::kWrite;
        },
        true);
}

bool CTextFile::ReplaceText(const std::string& oldText, const std::string& newText) {
    return Rewrite(
        [&](const std::string& piece, std::string* out) {
            size_t pos = FindNoCase(piece, oldText);
            if (pos != std::string::npos) out->replace(pos, oldText.size(), newText);
            return PieceAction::kWrite;
        },
        false);
}

std::string CTextFile::FindStartPath() {
    std::string directory;  // where the batch file has changed to so far
    std::string result;
    Pass pass = ForEachPiece(m_path, kStartPathBuffer, [&](const std::string& piece) {
        if (EqualNoCase(piece, "REM", 3)) return true;
        size_t start = 0;
        while (start < piece.size() && IsSpace(piece[start])) ++start;
        std::string line = piece.substr(start);

        if (EqualNoCase(line, "CD ", 3)) {
            size_t end = 3;
            while (end < line.size() && !IsSpace(line[end])) ++end;
            std::string target = line.substr(3, end - 3);
            if (At(target, 1) == ':') {
                // Another drive's directory is not where the batch file runs its programs.
                if (At(target, 0) == At(m_path, 0)) directory = target;
                return true;
            }
            directory += target;
        }
        if (At(line, 1) == ':') directory = line.substr(0, 2);

        size_t option = FindNoCase(line, "-f");
        if (option == std::string::npos) return true;
        // These programs take "-f" for something other than the data path.
        if (FindNoCase(line, "aplik286") != std::string::npos ||
            FindNoCase(line, "zd286") != std::string::npos) {
            return true;
        }
        size_t end = option + 2;
        while (end < line.size() && !IsSpace(line[end])) ++end;
        std::string value = line.substr(option + 2, end - option - 2);
        if (value.compare(0, 2, ".\\") == 0) value.erase(0, 2);

        if (At(value, 1) == ':' || At(value, 0) == '\\' || directory.empty()) {
            result = value;
        } else {
            result = directory;
            if (result.back() != '\\') result += '\\';
            result += value;
        }
        return false;
    });
    return ReadResult(static_cast<int>(pass), result);
}

bool CTextFile::Remove() {
    ClearReadOnly(m_path);
    if (!platform::DeleteFile(m_path)) {
        m_lastError = platform::GetLastError();
        return false;
    }
    return true;
}

}  // namespace zefi

// InsCfg: scanning the install script for group entries, option values and references.
#include "script/inscfg.h"

#include <cstring>
#include <string>

#include "platform/fs.h"
#include "platform/stream.h"
#include "script/comma_list.h"
#include "system/log.h"

namespace zefi {

namespace {

// The script's lines are read into a buffer of this size, so a line holds at most 511
// characters; the rest of a longer physical line is read as the next line.
constexpr int kLineBuffer = 512;
// The working directory shown in the open-error log line fits this buffer (with its NUL).
constexpr size_t kMaxPath = 260;

// Reads the script line by line, without line ends, counting lines from 1.
class LineReader {
  public:
    bool Open(const CMBString& path) { return m_file.Open(path.str(), "r"); }
    void Close() { m_file.Close(); }
    int Number() const { return m_number; }
    int PhysicalLine() const { return m_physical; }
    // Whether the line last read is the remainder of a longer physical line.
    bool Continued() const { return m_continued; }

    // The next line, or false at the end of the file.
    bool Next(CMBString* line) {
        char buffer[kLineBuffer];
        int used = 0;
        m_continued = m_pending >= 0;
        if (m_pending >= 0) {
            buffer[used++] = static_cast<char>(m_pending);
            m_pending = -1;
        }
        if (!m_file.Gets(buffer + used, kLineBuffer - used)) {
            if (used == 0) return false;
            buffer[used] = '\0';
        }
        int length = static_cast<int>(std::strlen(buffer));
        if (length > 0 && buffer[length - 1] == '\n') {
            buffer[--length] = '\0';
        } else if (length == kLineBuffer - 1) {
            // A full buffer: when the line ends right here, its line end belongs to it and
            // makes no empty line of its own; otherwise the next character starts the
            // remainder, which is the next line.
            int c = m_file.GetC();
            if (c >= 0 && c != '\n') m_pending = c;
        }
        ++m_number;
        if (!m_continued) ++m_physical;
        *line = CMBString(buffer, length);
        return true;
    }

  private:
    platform::Stream m_file;
    int m_pending = -1;  // first character of the next line, already read
    int m_number = 0;
    int m_physical = 0;
    bool m_continued = false;
};

bool IsComment(const CMBString& line) { return line.GetAt(0) == ';'; }
bool IsHeader(const CMBString& line) { return line.GetAt(0) == '['; }
bool IsAction(const CMBString& line) { return line.GetAt(0) == ':'; }

// ":name argument": the name runs up to the first whitespace; the argument is the rest,
// trimmed, with one leading and one trailing double quote removed.
void ParseAction(const CMBString& line, CMBString* name, CMBString* argument) {
    CMBString rest = line.From(1);
    int space = rest.FindSpace();
    if (space < 0) {
        *name = rest;
        name->Trim();
        argument->Empty();
        return;
    }
    *name = rest.Left(space);
    name->Trim();
    *argument = rest.From(space);
    argument->Trim();
    if (argument->GetAt(0) == '"') *argument = argument->From(1);
    int last = argument->GetLength() - 1;
    if (argument->GetAt(last) == '"') *argument = argument->Left(last);
}

// "key = value" after leading whitespace; false (and nothing stored) without "=". The value is
// returned as it stands after the equals sign.
bool SplitOption(const CMBString& line, CMBString* key, CMBString* rawValue) {
    CMBString text = line;
    text.TrimLeft();
    int equals = text.Find('=');
    if (equals < 0) return false;
    *key = text.Left(equals);
    key->TrimRight();
    *rawValue = text.From(equals + 1);
    return true;
}

}  // namespace

InsCfg::InsCfg(LogStream* log) : m_log(log) {}

bool InsCfg::Open(const CMBString& path) {
    m_path = path;
    platform::Stream file;
    if (!file.Open(m_path.str(), "r")) return false;
    file.Close();
    return true;
}

bool InsCfg::HeaderName(const CMBString& line, CMBString* name) {
    if (!IsHeader(line)) return false;
    int close = line.Find(']');
    if (close < 0) return false;
    *name = line.Mid(1, close - 1);
    return true;
}

bool InsCfg::group_match(const CMBString& line, const CMBString& group) {
    CMBString name;
    return HeaderName(line, &name) && name == group;
}

int InsCfg::ParseEntry(const CMBString& line, CMBString* key, CMBString* value) {
    key->Empty();
    value->Empty();
    if (IsAction(line)) {
        ParseAction(line, key, value);
        return kEntryAction;
    }
    if (SplitOption(line, key, value)) {
        value->Trim();
        return kEntryOption;
    }
    key->Empty();
    return kEntryNone;
}

bool InsCfg::ReadLines(std::vector<ScriptLine>* lines) const {
    LineReader reader;
    if (!reader.Open(m_path)) return false;
    ScriptLine line;
    while (reader.Next(&line.text)) {
        line.number = reader.Number();
        line.physicalLine = reader.PhysicalLine();
        line.continued = reader.Continued();
        lines->push_back(line);
    }
    return true;
}

bool InsCfg::GetValList(const CMBString& list, int index, CMBString* item) {
    return GetCommaListItem(list, index, item);
}

bool InsCfg::GetGroupVal(const CMBString& group, int* line, CMBString* key, CMBString* value,
                         int* kind) const {
    LineReader reader;
    if (!reader.Open(m_path)) {
        if (m_log) {
            *m_log << "InsCfg::GetGroupVal: OpenError" << m_path.c_str();
            std::string cwd;
            if (platform::GetCurrentDirectory(&cwd) && cwd.size() < kMaxPath)
                *m_log << " , " << cwd;
            *m_log << LogStream::endl;
        }
        value->Empty();
        return false;
    }
    bool inside = false;
    CMBString text;
    while (reader.Next(&text)) {
        if (IsComment(text)) continue;
        if (IsHeader(text)) {
            if (group_match(text, group)) {
                inside = true;
            } else if (inside) {
                value->Empty();
                reader.Close();
                if (m_log) {
                    *m_log << "InsCfg::GetGroupVal: group_match" << text.c_str() << ", "
                           << group.c_str() << LogStream::endl;
                }
                return false;
            }
            continue;
        }
        if (!inside || reader.Number() <= *line) continue;

        *kind = ParseEntry(text, key, value);
        *line = reader.Number();
        reader.Close();
        if (m_log) {
            *m_log << "InsCfg::GetGroupVal: " << key->c_str() << ", " << value->c_str()
                   << LogStream::endl;
        }
        ExpandReferences(value);
        return true;
    }
    value->Empty();
    return false;
}

bool InsCfg::GetValue(const CMBString& group, const CMBString& key, CMBString* value,
                      bool wholeLine) const {
    value->Empty();
    LineReader reader;
    if (!reader.Open(m_path)) return false;
    bool inside = false;
    CMBString text;
    CMBString entryKey;
    CMBString rawValue;
    while (reader.Next(&text)) {
        if (IsComment(text)) continue;
        if (IsHeader(text)) {
            if (group_match(text, group))
                inside = true;
            else if (inside)
                return false;
            continue;
        }
        if (!inside || IsAction(text)) continue;
        if (!SplitOption(text, &entryKey, &rawValue) || !(entryKey == key)) continue;
        rawValue.TrimLeft();
        if (wholeLine) {
            rawValue.TrimRight();
        } else {
            int space = rawValue.FindSpace();
            if (space >= 0) rawValue = rawValue.Left(space);
        }
        *value = std::move(rawValue);
        return true;
    }
    return false;
}

bool InsCfg::FindReferences(const CMBString& value, std::vector<Reference>* references) {
    int pos = 0;
    for (;;) {
        int open = value.Find('[', pos);
        if (open < 0) return true;
        // The closing bracket is searched after the opening one, so that a stray "]" in front
        // of a reference cannot make the text run backwards.
        int close = value.Find(']', open + 1);
        if (close < 0) return false;
        CMBString inner = value.Mid(open + 1, close - 1);
        int colon = inner.Find(':');
        if (colon >= 0) {
            references->push_back(Reference{inner.Left(colon), inner.From(colon + 1), open, close});
        }
        pos = close + 1;
    }
}

void InsCfg::ExpandReferences(CMBString* value) const {
    std::vector<Reference> references;
    // A "[" without a "]" leaves the whole value unexpanded.
    if (!FindReferences(*value, &references) || references.empty()) return;
    CMBString result;
    CMBString inserted;
    int pos = 0;  // start of the text not yet taken over
    for (const Reference& reference : references) {
        result += value->Mid(pos, reference.begin - 1);
        GetValue(reference.group, reference.key, &inserted, false);
        result += inserted;
        pos = reference.end + 1;
    }
    result += value->From(pos);
    *value = std::move(result);
}

}  // namespace zefi

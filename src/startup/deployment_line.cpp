#include "startup/deployment_line.h"

#include <string.h>

#include "memory_hook.h"

namespace {

bool IsSeparator(char c) { return c == ' ' || c == '\t'; }

// One word of the tail, [start, end): up to the next space or tab outside
// quotes. open: the word ends inside a quote.
struct Word {
    const char* start;
    const char* end;
    bool open;
};

// Reads the word at *cursor and moves past it; false at the end of the tail.
bool NextWord(const char** cursor, Word* word) {
    const char* p = *cursor;
    while (IsSeparator(*p)) ++p;
    if (*p == 0) return false;
    word->start = p;
    bool quoted = false;
    for (; *p && (quoted || !IsSeparator(*p)); ++p)
        if (*p == '"') quoted = !quoted;
    word->end = p;
    word->open = quoted;
    *cursor = p;
    return true;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? (char)(c + 32) : c; }

// Whether [start, end) is name, ignoring case.
bool SameText(const char* start, const char* end, const char* name) {
    for (; start < end; ++start, ++name)
        if (*name == 0 || Lower(*start) != *name) return false;
    return *name == 0;
}

// Whether word is the switch of one of the names, after its '/' or '-'.
bool IsSwitch(const Word& word, const char* name, const char* alias) {
    if (*word.start != '/' && *word.start != '-') return false;
    return SameText(word.start + 1, word.end, name) ||
           (alias && SameText(word.start + 1, word.end, alias));
}

bool IsNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsNameChar(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '.';
}

// NAME=VALUE, with value pointing at VALUE as written.
struct Property {
    const char* nameEnd;
    const char* value;
    bool quoted;
};

// Whether [value, end) is "..." with every quote inside doubled.
bool IsQuotedValue(const char* value, const char* end) {
    if (end - value < 2 || *value != '"' || end[-1] != '"') return false;
    for (const char* p = value + 1; p < end - 1; ++p)
        if (*p == '"' && *++p != '"') return false;
    return true;
}

bool ReadProperty(const Word& word, Property* property) {
    const char* p = word.start;
    if (!IsNameStart(*p)) return false;
    while (p < word.end && IsNameChar(*p)) ++p;
    if (p == word.end || *p != '=') return false;
    property->nameEnd = p++;
    property->value = p;
    property->quoted = p < word.end && *p == '"';
    if (property->quoted) return IsQuotedValue(p, word.end);
    return memchr(p, '"', word.end - p) == 0;
}

// A heap copy of [start, end) without its quotes, or none.
char* CopyUnquoted(const char* start, const char* end) {
    char* copy = (char*)AllocBytes((uint32_t)(end - start) + 1);
    if (!copy) return 0;
    char* out = copy;
    for (; start < end; ++start)
        if (*start != '"') *out++ = *start;
    *out = 0;
    return copy;
}

// A bounded text under construction: writing past its capacity marks it
// full instead.
struct Writer {
    char* out;
    uint32_t used;
    bool full;
};

void Put(Writer* w, char c) {
    if (w->used < kMaxInstallerArguments)
        w->out[w->used++] = c;
    else
        w->full = true;
}

void PutText(Writer* w, const char* text) {
    while (*text) Put(w, *text++);
}

// A value character inside msiexec's quotes: a quote is doubled.
void PutValueChar(Writer* w, char c) {
    Put(w, c);
    if (c == '"') Put(w, c);
}

bool IsRelativePath(const char* path) {
    if (path[0] == '\\' || path[0] == '/') return false;
    return !(IsNameStart(path[0]) && path[0] != '_' && path[1] == ':');
}

// The items of a TRANSFORMS value, each relative path made absolute against
// setupDir; ":name" (a transform inside the package) is left as it is, and
// a leading '@' or '|' stays in front of the path.
void PutTransforms(Writer* w, char* list, const char* setupDir) {
    for (char* item = list;;) {
        char* next = strchr(item, ';');
        if (next) *next = 0;
        if (*item != ':') {
            if (*item == '@' || *item == '|') PutValueChar(w, *item++);
            if (*item && IsRelativePath(item)) PutText(w, setupDir);
        }
        while (*item) PutValueChar(w, *item++);
        if (!next) return;
        Put(w, ';');
        item = next + 1;
    }
}

// NAME="VALUE" for one property, its value's quotes as msiexec reads them.
bool PutProperty(Writer* w, const Word& word, const Property& property,
                 const char* setupDir) {
    Put(w, ' ');
    for (const char* p = word.start; p < property.nameEnd; ++p) Put(w, *p);
    PutText(w, "=\"");
    const char* value = property.value;
    const char* end = word.end;
    if (property.quoted) ++value, --end;
    if (SameText(word.start, property.nameEnd, "transforms")) {
        // Decoded first: the paths are looked at without their quotes.
        char* list = (char*)AllocBytes((uint32_t)(end - value) + 1);
        if (!list) return false;
        char* o = list;
        for (const char* p = value; p < end; ++p) {
            *o++ = *p;
            if (*p == '"') ++p;  // "" stands for one quote
        }
        *o = 0;
        PutTransforms(w, list, setupDir);
        FreeBytes(list);
    } else {
        for (const char* p = value; p < end; ++p) {
            PutValueChar(w, *p);
            if (*p == '"') ++p;
        }
    }
    Put(w, '"');
    return true;
}

}  // namespace

bool ParseDeploymentLine(const char* tail, DeploymentLine* line) {
    memset(line, 0, sizeof *line);
    bool legal = true, quiet = false, passive = false;
    Word word;
    Property property;
    while (NextWord(&tail, &word)) {
        if (word.open) {
            legal = false;
        } else if (IsSwitch(word, "quiet", "qn")) {
            quiet = true;
        } else if (IsSwitch(word, "passive", "qb")) {
            passive = true;
        } else if (IsSwitch(word, "norestart", 0)) {
            line->noRestart = true;
        } else if (IsSwitch(word, "?", "help")) {
            line->usage = true;
        } else if (IsSwitch(word, "log", 0)) {
            // FILE is the next word, whatever it holds; one log only.
            if (line->logPath || !NextWord(&tail, &word) || word.open) {
                legal = false;
                continue;
            }
            line->logPath = CopyUnquoted(word.start, word.end);
            if (!line->logPath || !line->logPath[0]) legal = false;
        } else if (!ReadProperty(word, &property)) {
            legal = false;
        }
    }
    if (quiet && passive) legal = false;
    line->ui = quiet ? kUiQuiet : passive ? kUiPassive : kUiFull;
    return legal;
}

char* BuildInstallerArguments(const DeploymentLine* line, const char* tail,
                              const char* logPath, const char* setupDir) {
    Writer w = {(char*)AllocBytes(kMaxInstallerArguments + 1), 0, false};
    if (!w.out) return 0;
    if (line->ui == kUiQuiet) PutText(&w, " /qn");
    if (line->ui == kUiPassive) PutText(&w, " /passive");
    if (line->noRestart) PutText(&w, " /norestart");
    if (logPath) {
        PutText(&w, " /l*v+ \"");
        PutText(&w, logPath);
        Put(&w, '"');
    }
    Word word;
    Property property;
    bool ok = true;
    while (ok && NextWord(&tail, &word)) {
        if (IsSwitch(word, "log", 0))
            NextWord(&tail, &word);  // its FILE is no property
        else if (!word.open && ReadProperty(word, &property))
            ok = PutProperty(&w, word, property, setupDir);
    }
    if (!ok || w.full) {
        FreeBytes(w.out);
        return 0;
    }
    w.out[w.used] = 0;
    return w.out;
}

void ReleaseDeploymentLine(DeploymentLine* line) {
    FreeBytes(line->logPath);
    line->logPath = 0;
}

#include "ignore_pattern.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace velmora {

namespace {

enum class WildResult { Match, NoMatch, AbortAll, AbortToDoubleStar };

/// Whether `c` is in the POSIX class `name` ("alpha" of "[:alpha:]"); nothing for a name
/// git does not know, which makes the whole pattern fail as git's does.
std::optional<bool> inClass(std::string_view name, unsigned char c)
{
    struct Class
    {
        std::string_view name;
        int (*test)(int);
    };
    static constexpr Class classes[] = {
        { "alnum", isalnum }, { "alpha", isalpha }, { "blank", isblank }, { "cntrl", iscntrl },
        { "digit", isdigit }, { "graph", isgraph }, { "lower", islower }, { "print", isprint },
        { "punct", ispunct }, { "space", isspace }, { "upper", isupper }, { "xdigit", isxdigit },
    };
    for (const Class& each : classes) {
        if (each.name == name)
            return c < 128 && each.test(c) != 0;
    }
    return std::nullopt;
}

/// git's dowild(), over a NUL-terminated glob and a text that ends at `end`: the results
/// that abort tell the callers up the recursion that no later start can match either, which
/// keeps "*" and "**" from trying every split of a long path.
WildResult wild(const char* p, const char* text, const char* end, const char* globStart)
{
    for (; *p != '\0'; ++text, ++p) {
        const bool atEnd = text == end;
        if (atEnd && *p != '*')
            return WildResult::AbortAll;
        const unsigned char t = atEnd ? 0 : static_cast<unsigned char>(*text);
        unsigned char c = static_cast<unsigned char>(*p);
        switch (c) {
        case '\\':
            c = static_cast<unsigned char>(*++p);
            if (c == 0)
                return WildResult::NoMatch;
            [[fallthrough]];
        default:
            if (t != c)
                return WildResult::NoMatch;
            continue;
        case '?':
            if (t == '/')
                return WildResult::NoMatch;
            continue;
        case '*': {
            bool matchSlash = false;
            if (*++p == '*') {
                const char* before = p - 2;
                while (*++p == '*') { }
                if ((before < globStart || *before == '/')
                    && (*p == '\0' || *p == '/' || (p[0] == '\\' && p[1] == '/'))) {
                    // "**/" also matches no folder at all.
                    if (*p == '/' && wild(p + 1, text, end, globStart) == WildResult::Match)
                        return WildResult::Match;
                    matchSlash = true;
                }
            }
            if (*p == '\0') {
                if (!matchSlash && std::memchr(text, '/', std::size_t(end - text)))
                    return WildResult::NoMatch;
                return WildResult::Match;
            }
            if (!matchSlash && *p == '/') {
                // One "*" before a "/" takes the rest of this name.
                const void* slash = std::memchr(text, '/', std::size_t(end - text));
                if (!slash)
                    return WildResult::NoMatch;
                text = static_cast<const char*>(slash);
                break;
            }
            for (; text != end; ++text) {
                const WildResult tried = wild(p, text, end, globStart);
                if (tried != WildResult::NoMatch) {
                    if (!matchSlash || tried != WildResult::AbortToDoubleStar)
                        return tried;
                } else if (!matchSlash && *text == '/') {
                    return WildResult::AbortToDoubleStar;
                }
            }
            return WildResult::AbortAll;
        }
        case '[': {
            c = static_cast<unsigned char>(*++p);
            if (c == '^')
                c = '!';
            const bool negated = c == '!';
            if (negated)
                c = static_cast<unsigned char>(*++p);
            unsigned char previous = 0;
            bool matched = false;
            do {
                if (c == 0)
                    return WildResult::AbortAll;
                if (c == '\\') {
                    c = static_cast<unsigned char>(*++p);
                    if (c == 0)
                        return WildResult::AbortAll;
                    matched = matched || t == c;
                } else if (c == '-' && previous != 0 && p[1] != '\0' && p[1] != ']') {
                    c = static_cast<unsigned char>(*++p);
                    if (c == '\\') {
                        c = static_cast<unsigned char>(*++p);
                        if (c == 0)
                            return WildResult::AbortAll;
                    }
                    matched = matched || (t <= c && t >= previous);
                    c = 0;
                } else if (c == '[' && p[1] == ':') {
                    const char* name = p += 2;
                    while (*p != '\0' && *p != ']')
                        ++p;
                    if (*p == '\0')
                        return WildResult::AbortAll;
                    if (p - name < 1 || p[-1] != ':') {
                        // No ":]": the "[" is an ordinary member.
                        p = name - 2;
                        c = '[';
                        matched = matched || t == c;
                        continue;
                    }
                    const std::optional<bool> member
                        = inClass(std::string_view(name, std::size_t(p - name - 1)), t);
                    if (!member)
                        return WildResult::AbortAll;
                    matched = matched || *member;
                    c = 0;
                } else {
                    matched = matched || t == c;
                }
            } while (previous = c, (c = static_cast<unsigned char>(*++p)) != ']');
            if (matched == negated || t == '/')
                return WildResult::NoMatch;
            continue;
        }
        }
    }
    return text == end ? WildResult::Match : WildResult::NoMatch;
}

/// The line without the spaces that end it, but for one escaped by a backslash.
std::string_view withoutTrailingSpaces(std::string_view line)
{
    std::size_t kept = line.size();
    while (kept > 0 && line[kept - 1] == ' ') {
        std::size_t backslashes = 0;
        while (backslashes + 1 < kept && line[kept - 2 - backslashes] == '\\')
            ++backslashes;
        if (backslashes % 2 == 1)
            break;
        --kept;
    }
    return line.substr(0, kept);
}

} // namespace

bool wildMatch(std::string_view glob, std::string_view text)
{
    const std::string terminated(glob);
    return wild(terminated.c_str(), text.data(), text.data() + text.size(), terminated.c_str())
        == WildResult::Match;
}

std::optional<IgnorePattern> IgnorePattern::fromLine(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    line = withoutTrailingSpaces(line);
    if (line.empty() || line.front() == '#')
        return std::nullopt;
    IgnorePattern pattern;
    if (line.front() == '!') {
        pattern.m_negated = true;
        line.remove_prefix(1);
    }
    if (!line.empty() && line.back() == '/') {
        pattern.m_foldersOnly = true;
        line.remove_suffix(1);
    }
    if (line.empty())
        return std::nullopt;
    pattern.m_matchesName = line.find('/') == std::string_view::npos;
    if (line.front() == '/')
        line.remove_prefix(1);
    pattern.m_glob.assign(line);
    pattern.m_literalLength = std::min(line.find_first_of("*?[\\"), line.size());
    return pattern;
}

bool IgnorePattern::matches(std::string_view path, EntryType type) const
{
    if (m_foldersOnly && type != EntryType::Folder)
        return false;
    if (m_matchesName) {
        const std::size_t slash = path.rfind('/');
        if (slash != std::string_view::npos)
            path.remove_prefix(slash + 1);
    }
    const char* glob = m_glob.c_str();
    if (m_matchesName)
        return wild(glob, path.data(), path.data() + path.size(), glob) == WildResult::Match;
    // git compares the part before the first wildcard as it is and matches only the rest,
    // which then starts the glob: "fo**/x" matches "foo/a/x" as "**/x" matches "o/a/x".
    if (path.substr(0, m_literalLength) != std::string_view(m_glob).substr(0, m_literalLength))
        return false;
    const char* rest = glob + m_literalLength;
    return wild(rest, path.data() + m_literalLength, path.data() + path.size(), rest)
        == WildResult::Match;
}

} // namespace velmora

#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// What a path is, for patterns that end in "/" and match folders only.
enum class EntryType { File, Folder };

/// What the last pattern of a list that matches a path says of it.
enum class IgnoreVerdict { Ignored, Kept };

/// One line of a .gitignore or .ignore file, read as git reads it: "#" begins a comment,
/// trailing spaces go unless escaped, "!" keeps what earlier lines left out, a "/" at the
/// start or in the middle anchors the pattern to its file's folder (otherwise it matches a
/// name at any depth), a final "/" matches folders only, and "*", "?", "[...]" and "**" match
/// as git's wildmatch does. Names are bytes, compared with exact case.
class IgnorePattern
{
public:
    /// Nothing for a blank line or a comment.
    static std::optional<IgnorePattern> fromLine(std::string_view line);

    /// Whether the pattern matches `path`, which is relative to the pattern file's folder
    /// ("a/b.txt", no leading or trailing "/").
    bool matches(std::string_view path, EntryType type) const;

    IgnoreVerdict verdict() const
    {
        return m_negated ? IgnoreVerdict::Kept : IgnoreVerdict::Ignored;
    }

private:
    IgnorePattern() = default;

    std::string m_glob;
    bool m_negated = false;
    bool m_foldersOnly = false;
    /// Without a "/" but at its end, the pattern is matched against the last name alone.
    bool m_matchesName = false;
    /// The length of the glob's start before any wildcard or escape.
    std::size_t m_literalLength = 0;
};

/// git's wildmatch with WM_PATHNAME: "*" and "?" never match "/", "**" between separators
/// matches any run of folders. Exposed for the table of its cases.
bool wildMatch(std::string_view glob, std::string_view text);

} // namespace velmora

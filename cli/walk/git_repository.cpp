#include "git_repository.h"

#include "file_text.h"

#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <vector>

namespace velmora {

namespace {

std::string_view trimmed(std::string_view text)
{
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos)
        return {};
    return text.substr(start, text.find_last_not_of(" \t\r\n") - start + 1);
}

bool equalIgnoringCase(std::string_view one, std::string_view other)
{
    if (one.size() != other.size())
        return false;
    for (std::size_t i = 0; i < one.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(one[i]) != lower(other[i]))
            return false;
    }
    return true;
}

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

/// "~/x" as git expands it, from $HOME.
std::string expandedHome(std::string path)
{
    if (path.size() >= 2 && path[0] == '~' && path[1] == '/')
        return environment("HOME") + path.substr(1);
    return path;
}

/// A config value as git reads it: quotes joined, backslash escapes taken, and a comment after
/// "#" or ";" outside quotes left out.
std::string configValue(std::string_view raw)
{
    std::string value;
    bool quoted = false;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (c == '\\' && i + 1 < raw.size()) {
            const char next = raw[++i];
            value += next == 't' ? '\t' : next == 'n' ? '\n' : next;
        } else if (!quoted && (c == '#' || c == ';')) {
            break;
        } else {
            value += c;
        }
    }
    return std::string(trimmed(value));
}

/// The core.excludesFile the config file `path` sets, the last one when it sets it again.
std::optional<std::string> excludesFileSetIn(const std::string& path)
{
    const std::optional<std::string> text = fileText(AT_FDCWD, path.c_str());
    if (!text)
        return std::nullopt;
    std::optional<std::string> found;
    bool inCore = false;
    std::string_view rest(*text);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = trimmed(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.empty() || line.front() == '#' || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            inCore = close != std::string_view::npos
                && equalIgnoringCase(trimmed(line.substr(1, close - 1)), "core");
            line = close == std::string_view::npos ? std::string_view()
                                                   : trimmed(line.substr(close + 1));
            if (line.empty())
                continue;
        }
        const std::size_t equals = line.find('=');
        if (inCore && equals != std::string_view::npos
            && equalIgnoringCase(trimmed(line.substr(0, equals)), "excludesfile")) {
            found = expandedHome(configValue(line.substr(equals + 1)));
        }
    }
    return found;
}

/// The folder git keeps the repository in, for the ".git" of `top`: the folder itself, or the
/// one a ".git" file names; a linked work tree's shared folder where "commondir" names one.
std::string repositoryFolder(const std::string& top)
{
    std::string folder = top + "/.git";
    if (const std::optional<std::string> link = fileText(AT_FDCWD, folder.c_str())) {
        const std::string_view line = trimmed(*link);
        constexpr std::string_view prefix = "gitdir:";
        if (line.substr(0, prefix.size()) == prefix) {
            const std::string named(trimmed(line.substr(prefix.size())));
            folder = !named.empty() && named.front() == '/' ? named : top + '/' + named;
        }
    }
    if (const std::optional<std::string> common
        = fileText(AT_FDCWD, (folder + "/commondir").c_str())) {
        const std::string named(trimmed(*common));
        if (!named.empty())
            folder = named.front() == '/' ? named : folder + '/' + named;
    }
    return folder;
}

/// The global excludes file: the last core.excludesFile of the system's, the user's and the
/// repository's config, else git's default place.
std::string globalExcludesPath(const std::string& repository)
{
    std::vector<std::string> configs;
    if (environment("GIT_CONFIG_NOSYSTEM").empty())
        configs.push_back("/etc/gitconfig");
    const std::string home = environment("HOME");
    const std::string xdg = environment("XDG_CONFIG_HOME");
    const std::string userConfigFolder = xdg.empty() ? home + "/.config/git" : xdg + "/git";
    if (const std::string global = environment("GIT_CONFIG_GLOBAL"); !global.empty()) {
        configs.push_back(global);
    } else {
        configs.push_back(userConfigFolder + "/config");
        configs.push_back(home + "/.gitconfig");
    }
    configs.push_back(repository + "/config");
    std::optional<std::string> excludesFile;
    for (const std::string& config : configs) {
        if (std::optional<std::string> set = excludesFileSetIn(config))
            excludesFile = std::move(set);
    }
    return excludesFile.value_or(userConfigFolder + "/ignore");
}

} // namespace

std::shared_ptr<const RepositoryExcludes> repositoryExcludes(const std::string& top,
                                                             PathRelation relation)
{
    auto excludes = std::make_shared<RepositoryExcludes>();
    excludes->top = std::move(relation);
    const std::string repository = repositoryFolder(top);
    if (std::optional<std::string> text
        = fileText(AT_FDCWD, (repository + "/info/exclude").c_str()))
        excludes->infoExclude = IgnoreFile(*text);
    if (std::optional<std::string> text
        = fileText(AT_FDCWD, globalExcludesPath(repository).c_str()))
        excludes->globalExcludes = IgnoreFile(*text);
    return excludes;
}

} // namespace velmora

#include "ignore_rules.h"

namespace velmora {

IgnoreFile::IgnoreFile(std::string_view text)
{
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        add(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
}

void IgnoreFile::add(std::string_view line)
{
    if (std::optional<IgnorePattern> pattern = IgnorePattern::fromLine(line))
        m_patterns.push_back(std::move(*pattern));
}

std::optional<IgnoreVerdict> IgnoreFile::verdictFor(std::string_view path, EntryType type) const
{
    for (auto pattern = m_patterns.rbegin(); pattern != m_patterns.rend(); ++pattern) {
        if (pattern->matches(path, type))
            return pattern->verdict();
    }
    return std::nullopt;
}

std::string PathRelation::relative(std::string_view walkedPath) const
{
    std::string path = prepend;
    path.append(walkedPath.substr(std::min(strip, walkedPath.size())));
    return path;
}

bool isIgnored(const IgnoreLevel* level, std::string_view path, EntryType type)
{
    const auto decided = [&](const IgnoreFile& file, const PathRelation& relation) {
        return file.isEmpty() ? std::nullopt : file.verdictFor(relation.relative(path), type);
    };
    for (const IgnoreLevel* at = level; at; at = at->parent.get()) {
        if (const std::optional<IgnoreVerdict> verdict = decided(at->dotIgnore, at->relation))
            return *verdict == IgnoreVerdict::Ignored;
    }
    if (!level || !level->repository)
        return false;
    for (const IgnoreLevel* at = level; at; at = at->parent.get()) {
        if (const std::optional<IgnoreVerdict> verdict = decided(at->gitIgnore, at->relation))
            return *verdict == IgnoreVerdict::Ignored;
        if (at->repositoryTop)
            break;
    }
    const RepositoryExcludes& repository = *level->repository;
    for (const IgnoreFile* file : { &repository.infoExclude, &repository.globalExcludes }) {
        if (const std::optional<IgnoreVerdict> verdict = decided(*file, repository.top))
            return *verdict == IgnoreVerdict::Ignored;
    }
    return false;
}

} // namespace velmora

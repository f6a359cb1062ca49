// Writes the benchmark input: about 512 MiB of mixed ASCII and UTF-8 text in 9 million CRLF
// lines, an eighth of them empty, with tabs, long lines and a few rare marker words. The
// same seed gives the same bytes on every machine: only the generator's raw output is used,
// never a standard distribution, whose results differ between libraries.
//
// With --times-memory FACTOR it writes the same kind of lines until the file is FACTOR times
// the machine's memory, for inputs that cannot be held in memory.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

const std::vector<std::string_view> commonWords = { "the",      "of",         "and",
                                                    "to",       "in",         "is",
                                                    "that",     "it",         "was",
                                                    "for",      "on",         "are",
                                                    "as",       "with",       "his",
                                                    "they",     "at",         "be",
                                                    "this",     "from",       "have",
                                                    "or",       "by",         "one",
                                                    "had",      "not",        "but",
                                                    "what",     "all",        "were",
                                                    "when",     "we",         "there",
                                                    "can",      "an",         "your",
                                                    "which",    "their",      "said",
                                                    "if",       "do",         "will",
                                                    "each",     "about",      "how",
                                                    "up",       "out",        "them",
                                                    "then",     "she",        "many",
                                                    "some",     "so",         "these",
                                                    "would",    "other",      "into",
                                                    "has",      "more",       "her",
                                                    "two",      "like",       "him",
                                                    "see",      "time",       "could",
                                                    "no",       "make",       "than",
                                                    "first",    "been",       "its",
                                                    "who",      "now",        "people",
                                                    "my",       "made",       "over",
                                                    "did",      "down",       "only",
                                                    "way",      "find",       "use",
                                                    "may",      "water",      "long",
                                                    "little",   "very",       "after",
                                                    "words",    "called",     "just",
                                                    "where",    "most",       "know",
                                                    "counting", "characters", "line",
                                                    "file",     "Velmora",    "quiz",
                                                    "size",     "zone",       "lazy",
                                                    "jazz",     "box",        "next",
                                                    "quick",    "quite",      "equal",
                                                    "Report",   "Total",      "Error",
                                                    "WARNING",  "Info",       "2024-05-17",
                                                    "12:30:45", "#4711",      "value=42",
                                                    "(see",     "below)",     "path/to/file.txt",
                                                    "x86_64",   "ID-0093",    "end." };

const std::vector<std::string_view> foreignWords
    = { "caf\xC3\xA9",
        "Stra\xC3\x9F"
        "e",
        "\xC3\x84RGER", "na\xC3\xAFve",
        "\xC3\xBC"
        "ber",
        "fa\xC3\xA7"
        "ade",
        "sm\xC3\xB8rrebr\xC3\xB8"
        "d",
        "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1",
        "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "\xF0\x9F\x98\x80",
        "\xE2\x82\xAC"
        "12,50",
        "\xC2\xA9"
        "2024",
        "r\xC3\xA9sum\xC3\xA9",
        // Words the filters are measured with: one with case forms of other lengths (k:
        // KELVIN SIGN, s: LONG S), in two cases, and one without case.
        "K\xC3\xA4se", "k\xC3\xA4se", "\xE6\x9D\xB1\xE4\xBA\xAC" };

constexpr std::string_view rareMarker = "ZephyrQuartz";
constexpr std::string_view uncommonMarker = "quokka";

class Generator
{
public:
    explicit Generator(std::uint64_t seed)
        : m_engine(seed)
    { }

    /// A number from 0 to bound - 1; the slight bias of the remainder does not matter here.
    std::uint64_t below(std::uint64_t bound) { return m_engine() % bound; }
    bool chance(std::uint64_t perMillion) { return below(1000000) < perMillion; }

private:
    std::mt19937_64 m_engine;
};

std::size_t targetLength(Generator& random)
{
    if (random.chance(1000))
        return 1000 + random.below(8000);
    if (random.chance(29000))
        return 100 + random.below(200);
    return 8 + random.below(93);
}

void appendLine(Generator& random, std::string& out)
{
    const std::size_t target = targetLength(random);
    const std::size_t start = out.size();
    if (random.chance(500))
        out += rareMarker;
    else if (random.chance(5000))
        out += uncommonMarker;
    while (out.size() - start < target) {
        if (out.size() != start)
            out += random.chance(20000) ? '\t' : ' ';
        if (random.chance(30000))
            out += foreignWords[random.below(foreignWords.size())];
        else
            out += commonWords[random.below(commonWords.size())];
    }
}

/// The machine's memory in bytes, as /proc/meminfo gives it; 0 when unknown.
std::uint64_t memoryBytes()
{
    std::ifstream info("/proc/meminfo");
    std::string key;
    std::uint64_t kibibytes = 0;
    while (info >> key >> kibibytes) {
        if (key == "MemTotal:")
            return kibibytes * 1024;
        info.ignore(64, '\n');
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    const bool bySize = argc == 4 && std::strcmp(argv[2], "--times-memory") == 0;
    if (argc < 2 || argc > 4 || (argc == 4 && !bySize)) {
        std::fprintf(stderr, "usage: %s OUTPUT [LINES]\n       %s OUTPUT --times-memory FACTOR\n",
                     argv[0], argv[0]);
        return 2;
    }
    const std::uint64_t targetBytes
        = bySize ? std::uint64_t(std::strtod(argv[3], nullptr) * double(memoryBytes())) : 0;
    if (bySize && targetBytes == 0) {
        std::fprintf(stderr, "%s: no size to aim at: memory unknown or factor not positive\n",
                     argv[0]);
        return 2;
    }
    const std::uint64_t lines = bySize ? UINT64_MAX
        : argc == 3                    ? std::strtoull(argv[2], nullptr, 10)
                                       : 9000000;
    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file) {
        std::perror(argv[1]);
        return 1;
    }
    Generator random(20240517);
    std::string buffer;
    std::uint64_t bytes = 0;
    std::uint64_t written = 0;
    for (std::uint64_t i = 0; i < lines; ++i) {
        if (!random.chance(122000))
            appendLine(random, buffer);
        buffer += "\r\n";
        const bool last = i + 1 == lines || (bySize && bytes + buffer.size() >= targetBytes);
        written = i + 1;
        if (buffer.size() >= (std::size_t(1) << 20) || last) {
            if (std::fwrite(buffer.data(), 1, buffer.size(), file) != buffer.size()) {
                std::perror(argv[1]);
                return 1;
            }
            bytes += buffer.size();
            buffer.clear();
        }
        if (last)
            break;
    }
    if (std::fclose(file) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    std::printf("%s: %llu lines, %llu bytes\n", argv[1], static_cast<unsigned long long>(written),
                static_cast<unsigned long long>(bytes));
    return 0;
}

// Writes the benchmark input: about 512 MiB of mixed ASCII and UTF-8 text in 9 million CRLF
// lines, an eighth of them empty, with tabs, long lines and a few rare marker words. The
// same seed gives the same bytes on every machine: only the generator's raw output is used,
// never a standard distribution, whose results differ between libraries.
//
// With --times-memory FACTOR it writes the same kind of lines until the file is FACTOR times
// the machine's memory, for inputs that cannot be held in memory. --script picks the words of
// the text: the mostly ASCII mix above (the default, whose bytes never change), accented Latin,
// CJK-heavy, or the CJK-heavy text as UTF-16 little-endian with a byte-order mark, the form many
// Windows tools export.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
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

// Words of text written mostly in accented Latin letters: 2-byte UTF-8 in almost every word.
const std::vector<std::string_view> latinWords
    = { "café", "Straße", "ÄRGER",   "naïve",    "über",  "façade",  "smørrebrød", "résumé", "Käse",
        "käse", "élève",  "garçon",  "señor",    "año",   "crème",   "brûlée",     "déjà",   "Łódź",
        "żółw", "český",  "přítel",  "Ökonomie", "Grüße", "fiancée", "Ærø",        "ça",     "où",
        "très", "être",   "Übermaß", "Müller",   "niño",  "acción",  "coração",    "não",    "før",
        "på",   "öl",     "été",     "hôtel",    "forêt", "Ελλάδα" };

// Words of CJK-heavy text: 3-byte UTF-8 (two bytes a unit in UTF-16), with its punctuation and
// a few characters beyond the Basic Multilingual Plane (a surrogate pair in UTF-16).
const std::vector<std::string_view> cjkWords
    = { "東京",     "日本語", "中文",       "漢字",   "文字", "数える", "行",   "ファイル",
        "テキスト", "한국어", "안녕하세요", "北京",   "上海", "今日は", "天気", "世界",
        "电脑",     "程序",   "计算",       "字符",   "長い", "短い",   "、",   "。",
        "「",       "」",     "，",         "𠮷野家", "😀",    "大阪",   "情報", "時間" };

enum class Script { Ascii, Latin, Cjk, CjkUtf16LittleEndian };

struct ScriptName
{
    std::string_view name;
    Script script;
};

constexpr ScriptName scriptNames[] = { { "ascii", Script::Ascii },
                                       { "latin", Script::Latin },
                                       { "cjk", Script::Cjk },
                                       { "cjk-utf16le", Script::CjkUtf16LittleEndian } };

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

/// A line of the default mix: ASCII words with a foreign one in about thirty.
void appendAsciiLine(Generator& random, std::string& out)
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

/// A line of `words` with an ASCII word in about `asciiPerMillion`, spaced when `spaced`
/// (CJK text runs its words together).
void appendScriptLine(Generator& random, const std::vector<std::string_view>& words,
                      std::uint64_t asciiPerMillion, bool spaced, std::string& out)
{
    const std::size_t target = targetLength(random);
    const std::size_t start = out.size();
    if (random.chance(500))
        out += rareMarker;
    while (out.size() - start < target) {
        const bool ascii = random.chance(asciiPerMillion);
        if (out.size() != start && (spaced || ascii))
            out += random.chance(20000) ? '\t' : ' ';
        out += ascii ? commonWords[random.below(commonWords.size())]
                     : words[random.below(words.size())];
    }
}

void appendLine(Script script, Generator& random, std::string& out)
{
    switch (script) {
    case Script::Ascii:
        appendAsciiLine(random, out);
        break;
    case Script::Latin:
        appendScriptLine(random, latinWords, 300000, true, out);
        break;
    case Script::Cjk:
    case Script::CjkUtf16LittleEndian:
        appendScriptLine(random, cjkWords, 100000, false, out);
        break;
    }
}

/// Appends the valid UTF-8 `utf8` to `out` as UTF-16 little-endian.
void appendUtf16LittleEndian(std::string_view utf8, std::string& out)
{
    const auto appendUnit = [&out](std::uint32_t unit) {
        out += char(unit & 0xFF);
        out += char(unit >> 8);
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = std::uint8_t(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        std::uint32_t codePoint = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k)
            codePoint = codePoint << 6 | (std::uint8_t(utf8[i + k]) & 0x3F);
        i += length;
        if (codePoint < 0x10000) {
            appendUnit(codePoint);
        } else {
            appendUnit(0xD800 + ((codePoint - 0x10000) >> 10));
            appendUnit(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
        }
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

void printUsage(std::FILE* to, const char* program)
{
    std::fprintf(
        to,
        "usage: %s [--script SCRIPT] OUTPUT [LINES]\n"
        "       %s [--script SCRIPT] OUTPUT --times-memory FACTOR\n"
        "Writes LINES (default 9000000) CRLF lines of generated text to OUTPUT, or lines\n"
        "until OUTPUT is FACTOR times the machine's memory; the same bytes every time.\n"
        "  --script ascii        mostly ASCII, a non-ASCII word in about thirty (default)\n"
        "  --script latin        mostly accented Latin words\n"
        "  --script cjk          CJK-heavy text, a few emoji and ASCII words\n"
        "  --script cjk-utf16le  the cjk text as UTF-16 little-endian with FF FE first\n"
        "  --help                this text\n",
        program, program);
}

std::optional<Script> scriptNamed(std::string_view name)
{
    for (const ScriptName& entry : scriptNames) {
        if (entry.name == name)
            return entry.script;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char* argv[])
{
    Script script = Script::Ascii;
    std::vector<const char*> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help") {
            printUsage(stdout, argv[0]);
            return 0;
        }
        if (argument == "--script") {
            const std::optional<Script> named
                = i + 1 < argc ? scriptNamed(argv[i + 1]) : std::nullopt;
            if (!named) {
                std::fprintf(stderr, "%s: --script takes ascii, latin, cjk or cjk-utf16le\n",
                             argv[0]);
                return 2;
            }
            script = *named;
            ++i;
        } else {
            positional.push_back(argv[i]);
        }
    }
    const std::size_t count = positional.size();
    const bool bySize = count == 3 && std::strcmp(positional[1], "--times-memory") == 0;
    if (count < 1 || count > 3 || (count == 3 && !bySize)) {
        printUsage(stderr, argv[0]);
        return 2;
    }
    const char* const output = positional[0];
    const std::uint64_t targetBytes
        = bySize ? std::uint64_t(std::strtod(positional[2], nullptr) * double(memoryBytes())) : 0;
    if (bySize && targetBytes == 0) {
        std::fprintf(stderr, "%s: no size to aim at: memory unknown or factor not positive\n",
                     argv[0]);
        return 2;
    }
    const std::uint64_t lines = bySize ? UINT64_MAX
        : count == 2                   ? std::strtoull(positional[1], nullptr, 10)
                                       : 9000000;
    std::FILE* file = std::fopen(output, "wb");
    if (!file) {
        std::perror(output);
        return 1;
    }
    const bool utf16 = script == Script::CjkUtf16LittleEndian;
    Generator random(20240517);
    std::string buffer;
    std::string encoded;
    std::uint64_t bytes = 0;
    std::uint64_t written = 0;
    if (utf16)
        encoded = "\xFF\xFE";
    for (std::uint64_t i = 0; i < lines; ++i) {
        if (!random.chance(122000))
            appendLine(script, random, buffer);
        buffer += "\r\n";
        const bool last = i + 1 == lines || (bySize && bytes + buffer.size() >= targetBytes);
        written = i + 1;
        if (buffer.size() >= (std::size_t(1) << 20) || last) {
            if (utf16)
                appendUtf16LittleEndian(buffer, encoded);
            const std::string& out = utf16 ? encoded : buffer;
            if (std::fwrite(out.data(), 1, out.size(), file) != out.size()) {
                std::perror(output);
                return 1;
            }
            bytes += out.size();
            buffer.clear();
            encoded.clear();
        }
        if (last)
            break;
    }
    if (std::fclose(file) != 0) {
        std::perror(output);
        return 1;
    }
    std::printf("%s: %llu lines, %llu bytes\n", output, static_cast<unsigned long long>(written),
                static_cast<unsigned long long>(bytes));
    return 0;
}

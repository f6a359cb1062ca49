#include "cli/walk/ignore_rules.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace velmora;

namespace {

// The paths every set of patterns is tried on: folders end in "/". Names hold the characters
// patterns treat specially, and spaces where trailing spaces are trimmed.
const QStringList treePaths = {
    "a.log",    "keep.log",      "dir/",          "dir/a.log",
    "dir/sub/", "dir/sub/b.txt", "build/",        "build/out.o",
    "src/",     "src/build/",    "src/build/x.c", "src/main.c",
    "doc/",     "doc/frotz/",    "doc/frotz/f",   "a/",
    "a/doc/",   "a/doc/frotz/",  "a/doc/frotz/g", "foo/",
    "foo/bar/", "foo/bar/baz.c", "foo.c",         "x/",
    "x/y/",     "x/y/z/",        "x/y/z/foo.c",   "x/foo.c",
    "#hash",    "!bang",         "sp ace ",       "tr ",
    "tr",       "a[b]c",         "abc",           "bbc",
    "Abc",      "q.txt",         "README",        "deep/",
    "deep/a/",  "deep/a/b/",     "deep/a/b/d.md", "deep/d.md",
    "star*",    "back\\slash",
};

/// Whether `path` (a folder when it ends in "/") is left out by `rules` as git decides it
/// for a path the walk meets: a path inside a left-out folder is left out with it.
bool ignoredWithFolders(const IgnoreFile& rules, QString path)
{
    const EntryType type = path.endsWith(u'/') ? EntryType::Folder : EntryType::File;
    if (type == EntryType::Folder)
        path.chop(1);
    const std::string bytes = path.toStdString();
    for (std::size_t slash = bytes.find('/'); slash != std::string::npos;
         slash = bytes.find('/', slash + 1)) {
        if (rules.verdictFor(bytes.substr(0, slash), EntryType::Folder) == IgnoreVerdict::Ignored)
            return true;
    }
    return rules.verdictFor(bytes, type) == IgnoreVerdict::Ignored;
}

} // namespace

class TestIgnorePattern : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void matchesAsGitDoes_data();
    void matchesAsGitDoes();
    void wildMatchCases_data();
    void wildMatchCases();

private:
    QTemporaryDir m_repository;
    QString m_git;
};

void TestIgnorePattern::initTestCase()
{
    m_git = QStandardPaths::findExecutable("git");
    if (m_git.isEmpty())
        QSKIP("git is not installed (scripts/install-dependencies.sh test installs it)");
    QVERIFY(m_repository.isValid());
    QDir root(m_repository.path());
    for (const QString& path : treePaths) {
        if (path.endsWith(u'/')) {
            QVERIFY(root.mkpath(path));
        } else {
            QFile file(root.filePath(path));
            QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
        }
    }
    QProcess init;
    init.setWorkingDirectory(m_repository.path());
    init.start(m_git, { "init", "-q", "." });
    QVERIFY(init.waitForFinished());
    QCOMPARE(init.exitCode(), 0);
}

void TestIgnorePattern::matchesAsGitDoes_data()
{
    QTest::addColumn<QByteArray>("gitignore");
    QTest::newRow("name_anywhere") << QByteArray("*.log\n");
    QTest::newRow("negation_keeps") << QByteArray("*.log\n!keep.log\n");
    QTest::newRow("negation_before_does_nothing") << QByteArray("!keep.log\n*.log\n");
    QTest::newRow("anchored_at_top") << QByteArray("/a.log\n");
    QTest::newRow("slash_in_middle_anchors") << QByteArray("doc/frotz/\n");
    QTest::newRow("slash_in_middle_without_end") << QByteArray("doc/frotz\n");
    QTest::newRow("folder_only") << QByteArray("build/\n");
    QTest::newRow("folder_only_anchored") << QByteArray("/build/\n");
    QTest::newRow("folder_only_matches_no_file") << QByteArray("foo.c/\ntr/\n");
    QTest::newRow("no_reinclude_in_left_out_folder") << QByteArray("dir/\n!dir/sub/b.txt\n");
    QTest::newRow("reinclude_after_star") << QByteArray("dir/*\n!dir/sub/\n");
    QTest::newRow("whitelist") << QByteArray("*\n!*/\n!*.txt\n");
    QTest::newRow("leading_double_star") << QByteArray("**/foo.c\n");
    QTest::newRow("leading_double_star_folder") << QByteArray("**/build\n");
    QTest::newRow("trailing_double_star") << QByteArray("foo/**\n");
    QTest::newRow("middle_double_star") << QByteArray("x/**/foo.c\n");
    QTest::newRow("middle_double_star_no_folder") << QByteArray("deep/**/d.md\n");
    QTest::newRow("double_star_not_alone") << QByteArray("fo**/baz.c\nde**.md\n");
    QTest::newRow("one_star_one_folder") << QByteArray("x/*/foo.c\ndir/*/b.txt\n");
    QTest::newRow("star_never_crosses_folders") << QByteArray("x*foo.c\n");
    QTest::newRow("question_mark") << QByteArray("?.log\n??c\n");
    QTest::newRow("class_and_range") << QByteArray("[a-b]bc\n");
    QTest::newRow("class_negated") << QByteArray("[!a]bc\n[^b]c\n");
    QTest::newRow("class_named") << QByteArray("[[:upper:]]*\n");
    QTest::newRow("class_unknown_name") << QByteArray("[[:nothing:]]bc\n");
    QTest::newRow("class_unclosed") << QByteArray("[abc\n");
    QTest::newRow("brackets_escaped") << QByteArray("a\\[b\\]c\n");
    QTest::newRow("brackets_as_class") << QByteArray("a[b]c\n");
    QTest::newRow("escaped_hash") << QByteArray("\\#hash\n");
    QTest::newRow("hash_is_comment") << QByteArray("#hash\n");
    QTest::newRow("escaped_bang") << QByteArray("\\!bang\n");
    QTest::newRow("escaped_star") << QByteArray("star\\*\n");
    QTest::newRow("escaped_backslash") << QByteArray("back\\\\slash\n");
    QTest::newRow("trailing_spaces_trimmed") << QByteArray("tr   \n");
    QTest::newRow("trailing_space_escaped") << QByteArray("tr\\ \nsp ace\\ \n");
    QTest::newRow("crlf_lines") << QByteArray("*.log\r\n!keep.log\r\n");
    QTest::newRow("exact_case") << QByteArray("readme\nabc\n");
    QTest::newRow("blank_and_comments") << QByteArray("\n# *.log\n   \n");
}

void TestIgnorePattern::matchesAsGitDoes()
{
    QFETCH(QByteArray, gitignore);
    QFile file(QDir(m_repository.path()).filePath(".gitignore"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(gitignore), gitignore.size());
    file.close();

    // One run of git for the whole tree: "::<TAB>path" when no pattern matches, else the
    // pattern that decided, with its "!" when it keeps the path.
    QProcess git;
    git.setWorkingDirectory(m_repository.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", m_repository.path());
    environment.insert("XDG_CONFIG_HOME", m_repository.path());
    environment.insert("GIT_CONFIG_NOSYSTEM", "1");
    git.setProcessEnvironment(environment);
    git.start(m_git, { "check-ignore", "--no-index", "--stdin", "-z", "-v", "-n" });
    QVERIFY(git.waitForStarted());
    // Folders are named without their "/": git looks at what each path is, as a walk does.
    for (QString path : treePaths) {
        if (path.endsWith(u'/'))
            path.chop(1);
        git.write(path.toUtf8());
        git.write("", 1);
    }
    git.closeWriteChannel();
    QVERIFY(git.waitForFinished());
    const QList<QByteArray> fields = git.readAllStandardOutput().split('\0');
    QCOMPARE(fields.size(), treePaths.size() * 4 + 1);

    const IgnoreFile rules(std::string_view(gitignore.constData(), std::size_t(gitignore.size())));
    for (qsizetype i = 0; i < treePaths.size(); ++i) {
        const QByteArray& pattern = fields.at(i * 4 + 2);
        const bool gitIgnores = !pattern.isEmpty() && !pattern.startsWith('!');
        QVERIFY2(ignoredWithFolders(rules, treePaths.at(i)) == gitIgnores,
                 qPrintable(QString("%1: git says %2 (%3)")
                                .arg(treePaths.at(i), gitIgnores ? "ignored" : "kept",
                                     QString::fromUtf8(pattern))));
    }
}

void TestIgnorePattern::wildMatchCases_data()
{
    QTest::addColumn<QByteArray>("glob");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("matches");
    // A long path that makes a naive "**" backtrack through every split.
    const QByteArray deep = QByteArray("a/").repeated(40) + "b";
    QTest::newRow("double_stars_on_a_deep_path")
        << QByteArray("**/a/**/a/**/a/**/c") << deep << false;
    QTest::newRow("double_star_matches_deep_path") << QByteArray("**/a/**/b") << deep << true;
    QTest::newRow("empty_text") << QByteArray("*") << QByteArray() << true;
    QTest::newRow("question_needs_a_character") << QByteArray("?") << QByteArray() << false;
    QTest::newRow("range_edges") << QByteArray("[b-d]") << QByteArray("d") << true;
    QTest::newRow("range_minus_last_is_literal") << QByteArray("[a-]") << QByteArray("-") << true;
    QTest::newRow("class_never_matches_slash")
        << QByteArray("a[!b]c") << QByteArray("a/c") << false;
    QTest::newRow("bytes_beyond_ascii") << QByteArray("caf?") << QByteArray("caf\xe9") << true;
}

void TestIgnorePattern::wildMatchCases()
{
    QFETCH(QByteArray, glob);
    QFETCH(QByteArray, text);
    QFETCH(bool, matches);
    QCOMPARE(wildMatch(glob.toStdString(), text.toStdString()), matches);
}

QTEST_GUILESS_MAIN(TestIgnorePattern)
#include "tst_ignore_pattern.moc"

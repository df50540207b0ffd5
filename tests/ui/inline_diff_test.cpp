// The characters that differ between a changed line and the line it replaced, on hand-written
// pairs.

#include <QElapsedTimer>
#include <QTest>

#include "ui/inline_diff.h"

namespace tavelin::ui {

namespace {

// The marked parts of a text, joined by "|".
QString marked(const QString& text, const std::vector<TextSpan>& spans) {
    QStringList parts;
    for (const TextSpan& s : spans) {
        parts << text.mid(s.start, s.length);
    }
    return parts.join(QLatin1Char('|'));
}

}  // namespace

class InlineDiffTest : public QObject {
    Q_OBJECT

  private slots:
    void insertionsDeletionsAndReplacements();
    void tabsWideCharactersAndSurrogatePairsStayWhole();
    void unrelatedAndVeryLongLinesAreMarkedWhole();
};

void InlineDiffTest::insertionsDeletionsAndReplacements() {
    const QString before = QStringLiteral("int total = 0;");
    const QString after = QStringLiteral("int total = 0;  /* running total */");
    InlineDiff d = inlineDiff(after, before);
    QCOMPARE(marked(after, d.left), QStringLiteral("  /* running total */"));
    QVERIFY(d.right.empty());  // nothing of the old line is gone

    d = inlineDiff(before, after);  // the other way round: a deletion
    QVERIFY(d.left.empty());
    QCOMPARE(marked(after, d.right), QStringLiteral("  /* running total */"));

    const QString a = QStringLiteral("if (items[i] > LIMIT && items[i] < CEILING) {");
    const QString b = QStringLiteral("if (items[i] > LIMIT) {");
    d = inlineDiff(a, b);
    QCOMPARE(marked(a, d.left), QStringLiteral(" && items[i] < CEILING"));
    QVERIFY(d.right.empty());

    // A word replaced: the whole word, not its letters that happen to agree.
    const QString x = QStringLiteral("the total stock between the limits");
    const QString y = QStringLiteral("the total stock above the limits");
    d = inlineDiff(x, y);
    QCOMPARE(marked(x, d.left), QStringLiteral("between"));
    QCOMPARE(marked(y, d.right), QStringLiteral("above"));

    // Two changes in one line, apart.
    const QString p = QStringLiteral("call(alpha, 1, beta, 2);");
    const QString q = QStringLiteral("call(alpha, 7, beta, 9);");
    d = inlineDiff(p, q);
    QCOMPARE(marked(p, d.left), QStringLiteral("1|2"));
    QCOMPARE(marked(q, d.right), QStringLiteral("7|9"));

    // Equal lines: nothing.
    d = inlineDiff(p, p);
    QVERIFY(d.left.empty() && d.right.empty());
}

void InlineDiffTest::tabsWideCharactersAndSurrogatePairsStayWhole() {
    // Captions come with tabs expanded; a blank run differs like any text.
    const QString tabbed = QStringLiteral("a        = 1;");
    const QString spaced = QStringLiteral("a = 1;");
    InlineDiff d = inlineDiff(tabbed, spaced);
    QCOMPARE(marked(tabbed, d.left), QStringLiteral("       "));

    // Double-width characters: one character each.
    const QString wide1 = QStringLiteral("x = \u6F22\u5B57\u3042;");
    const QString wide2 = QStringLiteral("x = \u6F22\u5B57\u3044;");
    d = inlineDiff(wide1, wide2);
    QCOMPARE(marked(wide1, d.left), QStringLiteral("\u3042"));
    QCOMPARE(marked(wide2, d.right), QStringLiteral("\u3044"));

    // A surrogate pair and a letter with a combining mark are never cut in two.
    const QString emoji1 = QString::fromUtf16(u"s = \U0001F600 + e\u0301;");
    const QString emoji2 = QString::fromUtf16(u"s = \U0001F601 + e;");
    d = inlineDiff(emoji1, emoji2);
    QCOMPARE(marked(emoji1, d.left), QString::fromUtf16(u"\U0001F600|e\u0301"));
    QCOMPARE(marked(emoji2, d.right), QString::fromUtf16(u"\U0001F601|e"));
}

void InlineDiffTest::unrelatedAndVeryLongLinesAreMarkedWhole() {
    const QString a = QStringLiteral("#ifdef USE_CACHE");
    const QString b = QStringLiteral("/* Prints the total on the terminal. */");
    InlineDiff d = inlineDiff(a, b);
    QCOMPARE(marked(a, d.left), a);
    QCOMPARE(marked(b, d.right), b);

    // 100,000 characters with a change in the middle: the equal head and tail are found, the
    // middle is marked, and it takes no time worth a painted row.
    QString longA(100000, QLatin1Char('x'));
    QString longB = longA;
    longB[50000] = QLatin1Char('y');
    QElapsedTimer timer;
    timer.start();
    d = inlineDiff(longA, longB);
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(d.left.size(), 1U);
    QCOMPARE(d.left[0].start, 50000);
    QCOMPARE(d.left[0].length, 1);
    // Different from the first to the last but one character: over the limit, one span each.
    for (int i = 0; i < longB.size(); i += 2) {
        longB[i] = QLatin1Char('z');
    }
    d = inlineDiff(longA, longB);
    QCOMPARE(d.left.size(), 1U);
    QCOMPARE(d.left[0].start, 0);
    QCOMPARE(d.left[0].length, 99999);
}

}  // namespace tavelin::ui

QTEST_GUILESS_MAIN(tavelin::ui::InlineDiffTest)
#include "inline_diff_test.moc"

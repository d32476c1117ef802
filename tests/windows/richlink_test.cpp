// SPDX-License-Identifier: GPL-3.0-or-later
#include "richlink.h"

#include <QTest>
#include <QTextCursor>
#include <QTextEdit>

#include <gtest/gtest.h>

using richlink::CharRange;
using richlink::FindLink;

namespace {

// The address found from the word that holds the character at `at`.
QString linkInWord(const QString& text, int at, CharRange* found = nullptr) {
    CharRange range{richlink::wordBreakLeft(text, at), richlink::wordBreakRight(text, at)};
    const QString address = FindLink(text, range);
    if (found)
        *found = range;
    return address;
}

} // namespace

TEST(RichLink, TrailingPunctuationIsNotPartOfTheAddress) {
    CharRange range;
    const QString text = QStringLiteral("go to www.example.com. now");
    EXPECT_EQ(linkInWord(text, 8, &range), QStringLiteral("www.example.com"));
    EXPECT_EQ(text.mid(range.cpMin, range.cpMax - range.cpMin), QStringLiteral("www.example.com"));
    EXPECT_EQ(linkInWord(QStringLiteral("(see http://a.org/x)"), 8),
              QStringLiteral("http://a.org/x"));
    EXPECT_EQ(linkInWord(QStringLiteral("http://a.org/, and"), 3), QStringLiteral("http://a.org/"));
    EXPECT_EQ(linkInWord(QStringLiteral("\"ftp://files.net\""), 3),
              QStringLiteral("ftp://files.net"));
}

TEST(RichLink, CapitalPrefixIsFoundAndTheAddressKeepsItsCapitals) {
    EXPECT_EQ(linkInWord(QStringLiteral("Visit WWW.Kestrun.COM today"), 8),
              QStringLiteral("WWW.Kestrun.COM"));
    EXPECT_EQ(linkInWord(QStringLiteral("HTTP://Example.org/Path"), 0),
              QStringLiteral("HTTP://Example.org/Path"));
}

TEST(RichLink, PrefixesAreSearchedInTableOrder) {
    EXPECT_EQ(linkInWord(QStringLiteral("mailto:me@x.org?http://y.org"), 2),
              QStringLiteral("http://y.org"));
    EXPECT_EQ(linkInWord(QStringLiteral("mailto:me@x.org"), 2), QStringLiteral("mailto:me@x.org"));
    EXPECT_EQ(linkInWord(QStringLiteral("news:comp.lang"), 2), QStringLiteral("news:comp.lang"));
}

TEST(RichLink, BarePrefixOrPlainWordIsNoLink) {
    EXPECT_TRUE(linkInWord(QStringLiteral("try www. now"), 5).isEmpty());
    EXPECT_TRUE(linkInWord(QStringLiteral("http://..."), 3).isEmpty());
    EXPECT_TRUE(linkInWord(QStringLiteral("hello world"), 2).isEmpty());
    CharRange empty{3, 3};
    EXPECT_TRUE(FindLink(QString(), empty).isEmpty());
}

TEST(RichLink, EmptyRangeTakesTheWordAtItsStart) {
    const QString text = QStringLiteral("a www.b.com c");
    CharRange range{2, 2};
    EXPECT_EQ(FindLink(text, range), QStringLiteral("www.b.com"));
    EXPECT_EQ(range.cpMin, 2);
    EXPECT_EQ(range.cpMax, 11);
}

TEST(RichLink, EveryAddressOfATextIsFoundInOrder) {
    const QString text = QStringLiteral("see www.a.com, mailto:x@y.org and (http://b.org/c) www.");
    QStringList found;
    for (const richlink::CharRange& r : richlink::linksIn(text))
        found << text.mid(r.cpMin, r.cpMax - r.cpMin);
    EXPECT_EQ(found, (QStringList{"www.a.com", "mailto:x@y.org", "http://b.org/c"}));
    EXPECT_TRUE(richlink::linksIn(QStringLiteral("no links here")).isEmpty());
    EXPECT_TRUE(richlink::linksIn(QString()).isEmpty());
}

TEST(RichLink, PointerOverTheControlFindsAndOpensTheAddress) {
    QTextEdit chat;
    chat.resize(400, 200);
    chat.setPlainText(QStringLiteral("Bob: look at www.kestrun.com.\nsecond line"));
    chat.show();

    QTextCursor at(chat.document());
    at.setPosition(18); // inside the address
    const QPoint over = chat.cursorRect(at).center() + QPoint(2, 0);
    EXPECT_TRUE(richlink::IsLinkAt(&chat, over.x(), over.y()));
    at.setPosition(2);
    const QPoint plain = chat.cursorRect(at).center() + QPoint(2, 0);
    EXPECT_FALSE(richlink::IsLinkAt(&chat, plain.x(), plain.y()));

    QStringList opened;
    const auto open = [&opened](const QString& address) { opened << address; };
    richlink::OpenLinkAt(&chat, over.x(), over.y(), open);
    EXPECT_EQ(opened, QStringList{QStringLiteral("www.kestrun.com")});
    EXPECT_EQ(chat.textCursor().selectedText(), QStringLiteral("www.kestrun.com"));

    // Below the last line lies past the end of the text: never a link.
    const int below = chat.viewport()->height() - 5;
    EXPECT_FALSE(richlink::IsLinkAt(&chat, 380, below));
    richlink::OpenLinkAt(&chat, 380, below, open);
    EXPECT_EQ(opened.size(), 1);
}

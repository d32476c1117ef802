// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobbyaddress.h"
#include "lobbymessages.h"
#include "lobbyreaders.h"
#include "version.h"

#include <gtest/gtest.h>

#include <random>

using namespace lobbywire;

namespace {

Message m(const QByteArray& line) {
    return split(line.endsWith('\n') ? line.chopped(1) : line);
}

const QByteArray kKey = "0123456789abcdefABCDEFxy";

TableState playing() {
    TableState s;
    s.seated = 4;
    s.spies = 1;
    s.phase = Phase::Playing;
    s.round = 2;
    s.rounds = 5;
    s.hostName = QStringLiteral("Zoë");
    return s;
}

} // namespace

TEST(LobbyMessages, ExactBytes) {
    EXPECT_EQ(hello("kestrunlobby", wire::kVersion),
              "HELLO\t2\tkestrunlobby\t" + QByteArray(wire::kVersion) + "\n");
    EXPECT_EQ(setName("Ann"), "NAME\tAnn\n");
    EXPECT_EQ(watch(), "WATCH\n");
    EXPECT_EQ(say("a\tb\nc"), "SAY\ta b c\n");
    EXPECT_EQ(host(Listing::Invite, 7772, wire::kVersion, "Friday", "Ann"),
              "HOST\tinvite\t7772\t" + QByteArray(wire::kVersion) + "\tFriday\tAnn\t-\t-\n");
    EXPECT_EQ(host(Listing::Public, 7772, wire::kVersion, "Friday", "Ann", {"+K7Q2-M9XD", kKey}),
              "HOST\tpublic\t7772\t" + QByteArray(wire::kVersion) + "\tFriday\tAnn\t+K7Q2-M9XD\t" +
                  kKey + "\n");
    EXPECT_EQ(port(40123), "PORT\t40123\n");
    EXPECT_EQ(armed(kKey), "ARMED\t" + kKey + "\n");
    EXPECT_EQ(hosted({"+K7Q2-M9XD", kKey}), "HOSTED\t+K7Q2-M9XD\t" + kKey + "\n");
    EXPECT_EQ(probe(kKey), "PROBE\t" + kKey + "\n");
    EXPECT_EQ(reach(Way::Relay, "nothing answered"), "REACH\trelay\tnothing answered\n");
    EXPECT_EQ(joiner(kKey, "198.51.100.7"), "JOINER\t" + kKey + "\t198.51.100.7\n");
    EXPECT_EQ(relay("+K7Q2-M9XD"), "RELAY\t2\t+K7Q2-M9XD\n");
    EXPECT_EQ(ticket(kKey), "TICKET\t" + kKey + "\n");
    EXPECT_EQ(joined(), "JOINED\n");
    EXPECT_EQ(probeGreeting(), "KESTRUN-PROBE\n");
    EXPECT_EQ(probeAnswer(kKey), "KESTRUN-PROBE\t" + kKey + "\n");
    EXPECT_EQ(state(playing()), "STATE\t4\t1\tplaying\t2\t5\tZo\xC3\xAB\n");
    EXPECT_EQ(resolve("+K7Q2-M9XD"), "RESOLVE\t+K7Q2-M9XD\n");
    EXPECT_EQ(welcome(wire::kVersion), "WELCOME\t2\t" + QByteArray(wire::kVersion) + "\n");
    EXPECT_EQ(bye("version", "Needs protocol 1."), "BYE\tversion\tNeeds protocol 1.\n");
    EXPECT_EQ(table({"+K7Q2-M9XD", "Friday", wire::kVersion, playing(), Way::Direct}),
              "TABLE\t+K7Q2-M9XD\tFriday\tZo\xC3\xAB\t4\t1\tplaying\t2\t5\t" +
                  QByteArray(wire::kVersion) + "\tdirect\n");
    EXPECT_EQ(found({"+K7Q2-M9XD", "203.0.113.7", 7772, wire::kVersion, "Friday", "Ann",
                     Way::Unknown, "lobby2.kestrun.com", 7780}),
              "FOUND\t+K7Q2-M9XD\t203.0.113.7\t7772\t" + QByteArray(wire::kVersion) +
                  "\tFriday\tAnn\tunknown\t"
                  "lobby2.kestrun.com\t7780\n");
    EXPECT_EQ(chat("Ann", "hi"), "CHAT\tAnn\thi\n");
    // Fields are cut to their length.
    EXPECT_EQ(setName(QString(40, u'x')), "NAME\t" + QByteArray(kMaxNameChars, 'x') + "\n");
}

TEST(LobbyMessages, EveryBuilderIsReadBackByItsReader) {
    EXPECT_EQ(readHello(m(hello("vorlix", wire::kVersion)))->program, "vorlix");
    EXPECT_EQ(readName(m(setName("  Ann  Lee "))), "Ann Lee");
    EXPECT_TRUE(isBare(m(watch()), name::watch));
    EXPECT_TRUE(isBare(m(enter()), name::enter));
    EXPECT_TRUE(isBare(m(unhost()), name::unhost));
    EXPECT_TRUE(isBare(m(ping()), name::ping));
    EXPECT_TRUE(isBare(m(listed()), name::listed));
    EXPECT_TRUE(isBare(m(entered()), name::entered));
    EXPECT_TRUE(isBare(m(pong()), name::pong));
    EXPECT_EQ(readSay(m(say("hello there"))), "hello there");
    const auto h = readHost(m(host(Listing::Public, 8000, wire::kVersion, "Friday", "")));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->listing, Listing::Public);
    EXPECT_EQ(h->port, 8000);
    EXPECT_EQ(h->tableName, "Friday");
    EXPECT_EQ(h->hostName, ""); // a dedicated server nobody holds seat 1 of
    EXPECT_EQ(readState(m(state(playing()))), playing());
    EXPECT_EQ(readResolve(m(resolve("+k7q2m9xd"))), "+K7Q2-M9XD");
    EXPECT_EQ(readWelcome(m(welcome("2.0")))->serviceVersion, "2.0");
    EXPECT_EQ(readBye(m(bye("flood", "Too fast.")))->word, "flood");
    EXPECT_EQ(readError(m(error("host", "One table a connection.")))->text,
              "One table a connection.");
    EXPECT_EQ(readNamed(m(named("Ann"))), "Ann");
    const TableEntry e{"+K7Q2-M9XD", "Friday", wire::kVersion, playing(), Way::Relay};
    EXPECT_EQ(readTable(m(table(e))), e);
    EXPECT_EQ(readGone(m(gone("+K7Q2-M9XD"))), "+K7Q2-M9XD");
    const TableClaim claim{"+K7Q2-M9XD", kKey};
    EXPECT_EQ(readHosted(m(hosted(claim))), claim);
    EXPECT_EQ(readHost(m(host(Listing::Public, 7772, wire::kVersion, "F", "A", claim)))->earlier,
              claim);
    const Found found1{"+K7Q2-M9XD", "2001:db8::7",  7772, wire::kVersion, "F", "A",
                       Way::Relay,   "198.51.100.2", 7780};
    EXPECT_EQ(readFound(m(found(found1))), found1);
    EXPECT_EQ(readPortRequest(m(port(40123))), 40123);
    EXPECT_EQ(readArmed(m(armed(kKey))), kKey);
    EXPECT_EQ(readDecline(m(decline(kKey))), kKey);
    EXPECT_EQ(readProbe(m(probe(kKey))), kKey);
    const auto r = readReach(m(reach(Way::Direct, "the table answered")));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->way, Way::Direct);
    EXPECT_EQ(r->text, "the table answered");
    const auto j = readJoiner(m(joiner(kKey, "2001:db8::9")));
    ASSERT_TRUE(j);
    EXPECT_EQ(j->ticket, kKey);
    EXPECT_EQ(j->address, "2001:db8::9");
    EXPECT_EQ(readRelay(m(relay("+k7q2m9xd")))->code, "+K7Q2-M9XD");
    EXPECT_EQ(readTicket(m(ticket(kKey))), kKey);
    EXPECT_TRUE(isBare(m(joined()), name::joined));
    EXPECT_TRUE(isProbeGreeting(probeGreeting()));
    EXPECT_EQ(readProbeAnswer(probeAnswer(kKey)), kKey);
    EXPECT_EQ(readUnknown(m(unknown("+K7Q2-M9XD"))), "+K7Q2-M9XD");
    EXPECT_EQ(readHere(m(here("Ann"))), "Ann");
    EXPECT_EQ(readAway(m(away("Ann"))), "Ann");
    EXPECT_EQ(readChat(m(chat("Ann", "hi")))->text, "hi");
}

TEST(LobbyReaders, RejectWhatIsMalformed) {
    // Another name, too many or too few fields.
    EXPECT_FALSE(readName(m("NAMED\tAnn")));
    EXPECT_FALSE(readName(m("NAME")));
    EXPECT_FALSE(readName(m("NAME\tAnn\tLee")));
    EXPECT_FALSE(isBare(m("WATCH\t"), name::watch));
    // Names: empty once cleaned, or longer than their limit before cleaning.
    EXPECT_FALSE(readName(m("NAME\t \x01 ")));
    EXPECT_FALSE(readName(m("NAME\t" + QByteArray(kMaxNameChars + 1, 'a'))));
    // Numbers: signs, letters, out of range, too many digits.
    EXPECT_FALSE(readState(m("STATE\t7\t0\twaiting\t0\t0\tAnn")));
    EXPECT_FALSE(readState(m("STATE\t1\t4\twaiting\t0\t0\tAnn")));
    EXPECT_FALSE(readState(m("STATE\t-1\t0\twaiting\t0\t0\tAnn")));
    EXPECT_FALSE(readState(m("STATE\t+1\t0\twaiting\t0\t0\tAnn")));
    EXPECT_FALSE(readState(m("STATE\t1\t0\tpaused\t0\t0\tAnn")));
    EXPECT_FALSE(readState(m("STATE\t1\t0\twaiting\t0\t1000\tAnn")));
    EXPECT_FALSE(readState(m("STATE\t1\t0\twaiting\t0000000000\t0\tAnn")));
    // A round past the last is the tie-break of a shared lead.
    EXPECT_TRUE(readState(m("STATE\t1\t0\tplaying\t6\t5\tAnn")));
    EXPECT_FALSE(readHost(m("HOST\tprivate\t7772\t" + QByteArray(wire::kVersion) + "\tT\tA")));
    EXPECT_FALSE(readHost(m("HOST\tpublic\t0\t" + QByteArray(wire::kVersion) + "\tT\tA")));
    EXPECT_FALSE(readHost(m("HOST\tpublic\t65536\t" + QByteArray(wire::kVersion) + "\tT\tA")));
    EXPECT_FALSE(readHost(m("HOST\tpublic\t7772\t1 0\tT\tA")));
    EXPECT_FALSE(readHost(m("HOST\tpublic\t7772\t" + QByteArray(wire::kVersion) + "\t\tA")));
    EXPECT_FALSE(readSay(m("SAY\t   ")));
    // Blank once its control characters are shown as blanks.
    EXPECT_FALSE(readSay(m("SAY\t\x01\x1B \x7F")));
    EXPECT_FALSE(readChat(m("CHAT\tAnn\t\xC2\x85")));
    EXPECT_FALSE(readSay(m("SAY\t" + QByteArray(kMaxChatChars + 1, 'a'))));
    EXPECT_FALSE(readResolve(m("RESOLVE\tK7Q2-M9XD")));
    const QByteArray where = "\tdirect\tlobby.kestrun.com\t7780";
    EXPECT_TRUE(readFound(
        m("FOUND\t+K7Q2-M9XD\t192.0.2.1\t7772\t" + QByteArray(wire::kVersion) + "\tT\tA" + where)));
    EXPECT_FALSE(readFound(m("FOUND\t+K7Q2-M9XD\texample.com\t7772\t" + QByteArray(wire::kVersion) +
                             "\tT\tA" + where)));
    EXPECT_FALSE(readFound(
        m("FOUND\t+K7Q2-M9XD\t256.1.1.1\t7772\t" + QByteArray(wire::kVersion) + "\tT\tA" + where)));
    EXPECT_FALSE(readFound(
        m("FOUND\t+K7Q2-M9XD\t192.0.2.1\t7772\t" + QByteArray(wire::kVersion) + "\tT\tA")));
    EXPECT_FALSE(readFound(m("FOUND\t+K7Q2-M9XD\t192.0.2.1\t7772\t" + QByteArray(wire::kVersion) +
                             "\tT\tA\tsideways\tlobby\t7780")));
    EXPECT_FALSE(readFound(m("FOUND\t+K7Q2-M9XD\t192.0.2.1\t7772\t" + QByteArray(wire::kVersion) +
                             "\tT\tA\tdirect\tlob by\t7780")));
    EXPECT_FALSE(readFound(m("FOUND\t+K7Q2-M9XD\t192.0.2.1\t7772\t" + QByteArray(wire::kVersion) +
                             "\tT\tA\tdirect\t-lobby.\t7780")));
    // Claims come whole or not at all; secrets are exactly their length.
    EXPECT_FALSE(
        readHost(m("HOST\tpublic\t7772\t" + QByteArray(wire::kVersion) + "\tT\tA\t+K7Q2-M9XD\t-")));
    EXPECT_FALSE(
        readHost(m("HOST\tpublic\t7772\t" + QByteArray(wire::kVersion) + "\tT\tA\t-\t" + kKey)));
    EXPECT_FALSE(readHosted(m("HOSTED\t+K7Q2-M9XD\t" + kKey.chopped(1))));
    EXPECT_FALSE(readTicket(m("TICKET\t" + kKey.chopped(1) + "!")));
    EXPECT_FALSE(readReach(m("REACH\tunknown\tnot tested")));
    EXPECT_FALSE(readJoiner(m("JOINER\t" + kKey + "\tsomewhere")));
    EXPECT_FALSE(readProbeAnswer("KESTRUN-PROBE\t" + kKey));
    EXPECT_FALSE(isProbeGreeting("KESTRUN-PROBE\r\n"));
    // A RELAY of another protocol still says which; of this one it needs a code.
    EXPECT_EQ(readRelay(m("RELAY\t9\twhatever\tcomes"))->protocol, 9);
    EXPECT_FALSE(readRelay(m("RELAY\t2\tK7Q2M9XD")));
    EXPECT_FALSE(readRelay(m("RELAY\t2\t+K7Q2-M9XD\textra")));
    EXPECT_FALSE(readBye(m("BYE\tToo Fast\tx")));
    EXPECT_FALSE(readWelcome(m("WELCOME\tone\t1.0")));
    EXPECT_FALSE(readChat(m("CHAT\t\thi")));
    // A HELLO of another version still says which.
    EXPECT_EQ(readHelloProtocol(m("HELLO\t1\tsomething\telse\tentirely")), 1);
    EXPECT_FALSE(readHello(m("HELLO\t1\tkestrunlobby\t" + QByteArray(wire::kVersion))));
    EXPECT_FALSE(readHelloProtocol(m("HELLO")));
}

TEST(LobbyReaders, PeersTextIsShownWithBlanksForControlCharacters) {
    const auto c = readChat(m(QByteArray("CHAT\tAnn\tline\x1B[2Jone\r") + "\xC2\x85" + "two"));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->text, QStringLiteral("line [2Jone  two"));
    EXPECT_EQ(readName(m("NAME\tA\x7F\x01nn")), "A nn");
    EXPECT_EQ(readName(m(QByteArray("NAME\tAnn") + "\xE2\x80\xA8" + "Lee")), "Ann Lee");
    // Bytes that are not UTF-8 read as the replacement character.
    EXPECT_EQ(readName(m("NAME\tA\xFFz")), QStringLiteral("A\uFFFDz"));
}

TEST(LobbyLines, CutAtLineFeedsWithinTheLimit) {
    QByteArray buffer("WATCH\r\nPING\nSA");
    QList<QByteArray> lines;
    EXPECT_TRUE(cutLines(buffer, lines));
    EXPECT_EQ(lines, (QList<QByteArray>{"WATCH", "PING"}));
    EXPECT_EQ(buffer, "SA");

    // Exactly the limit with its line feed passes; one more byte does not,
    // whether or not its end has come.
    QByteArray exact = "SAY\t" + QByteArray(kMaxLineBytes - 5, 'a') + "\n";
    lines.clear();
    EXPECT_TRUE(cutLines(exact, lines));
    EXPECT_EQ(lines.size(), 1);
    QByteArray over = "PING\nSAY\t" + QByteArray(kMaxLineBytes - 4, 'a') + "\n";
    lines.clear();
    EXPECT_FALSE(cutLines(over, lines));
    EXPECT_EQ(lines, QList<QByteArray>{"PING"});
    QByteArray unfinished(kMaxLineBytes, 'a');
    lines.clear();
    EXPECT_FALSE(cutLines(unfinished, lines));
    QByteArray almost(kMaxLineBytes - 1, 'a');
    EXPECT_TRUE(cutLines(almost, lines));
}

TEST(LobbyDiscovery, QueriesArePaddedAndAnswersReadBack) {
    const QByteArray q = query("ab12");
    EXPECT_EQ(q.size(), kMinQueryBytes);
    EXPECT_TRUE(q.startsWith("KESTRUN?\t1\tab12\t "));
    EXPECT_EQ(readQuery(q)->token, "ab12");
    // Short queries, other versions and bad tokens go unanswered.
    EXPECT_FALSE(readQuery("KESTRUN?\t1\tab12\t"));
    QByteArray other = q;
    other[9] = '2';
    EXPECT_FALSE(readQuery(other));
    EXPECT_FALSE(readQuery(query("a b")));
    EXPECT_FALSE(readQuery(q + QByteArray(kMaxDatagramBytes, ' ')));

    const QByteArray a = answer("ab12", 7800, wire::kVersion, "Friday", playing());
    EXPECT_EQ(a, "KESTRUN\t1\tab12\t7800\t" + QByteArray(wire::kVersion) +
                     "\tFriday\tZo\xC3\xAB\t4\t1\tplaying\t2\t5");
    const auto read = readAnswer(a);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->port, 7800);
    EXPECT_EQ(read->state, playing());
    EXPECT_FALSE(readAnswer(a + "\textra"));
    // The longest answer fits a datagram.
    TableState longest = playing();
    longest.hostName = QString(kMaxNameChars, QChar(0x4E2D));
    EXPECT_LE(answer(QString(kMaxTokenChars, u'z'), 65535, QString(kMaxVersionChars, u'9'),
                     QString(kMaxTableNameChars, QChar(0x4E2D)), longest)
                  .size(),
              kMaxDatagramBytes);
}

TEST(InviteCodes, AreWrittenInTwoGroupsAndReadInAnyForm) {
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i) {
        const QString code = invite::generate(random);
        ASSERT_EQ(code.size(), 10);
        EXPECT_TRUE(code.startsWith(u'+'));
        EXPECT_EQ(code.at(5), u'-');
        // Named: a range-for over a temporary's remove() would outlive it.
        const QString symbols = code.mid(1).remove(u'-');
        for (QChar c : symbols)
            EXPECT_TRUE(QByteArray(kCodeAlphabet).contains(char(c.unicode()))) << int(c.unicode());
        EXPECT_EQ(invite::normalize(code), code);
        EXPECT_EQ(invite::normalize(code.toLower().remove(u'-')), code);
    }
    EXPECT_NE(invite::generate(), invite::generate());
    EXPECT_EQ(invite::normalize(" +k7q2-m9xd "), "+K7Q2-M9XD");
    EXPECT_EQ(invite::normalize("K7Q2-M9XD", true), "+K7Q2-M9XD");
    // Without its "+" only the hyphenated form is a code: a host name such as
    // "k7q2m9xd" stays a host name.
    EXPECT_FALSE(invite::normalize("K7Q2-M9XD"));
    EXPECT_FALSE(invite::normalize("K7Q2M9XD", true));
    // I, L, O, 0 and 1 are not symbols of a code; nor is anything but eight.
    for (const char* bad : {"+K7Q2-M9XO", "+K7Q2-M9X0", "+K7Q2-M9XI", "+K7Q2-M9X1", "+K7Q2-M9XL",
                            "+K7Q2-M9X", "+K7Q2-M9XDD", "+K7Q-2M9XD", "+K7Q2--M9X", "+", ""})
        EXPECT_FALSE(invite::normalize(bad)) << bad;
}

TEST(LobbyAddresses, HostsPortsAndIpAddresses) {
    EXPECT_EQ(parseHostPort("lobby.kestrun.com", 7780), (HostPort{"lobby.kestrun.com", 7780}));
    EXPECT_EQ(parseHostPort("10.0.0.5:8000", 7780), (HostPort{"10.0.0.5", 8000}));
    EXPECT_EQ(parseHostPort("[::1]:9000", 7780), (HostPort{"::1", 9000}));
    EXPECT_EQ(parseHostPort("fe80::1", 7780), (HostPort{"fe80::1", 7780}));
    for (const char* bad : {"", ":7780", "host:", "host:0", "host:65536", "host:7x", "[::1",
                            "[::1]x", "[nothost]:1", "a b", "::1:99999:zz"})
        EXPECT_FALSE(parseHostPort(bad, 7780)) << bad;
    EXPECT_EQ(hostPortText({"::1", 9000}), "[::1]:9000");
    EXPECT_EQ(hostPortText({"h", 1}), "h:1");

    for (const char* good : {"127.0.0.1", "0.0.0.0", "::", "::1", "2001:db8::7",
                             "2001:db8:0:0:0:0:0:7", "::ffff:192.0.2.1", "fe80::"})
        EXPECT_TRUE(isIpAddress(good)) << good;
    for (const char* bad :
         {"", "1.2.3", "1.2.3.4.5", "256.0.0.1", "1..2.3", "2001:db8::7::1",
          "12345::", "1:2:3:4:5:6:7:8:9", "::1.2.3", "g::1", "fe80::1%eth0", "1:2:3:4:5:6:7::8:9"})
        EXPECT_FALSE(isIpAddress(bad)) << bad;
    // Instances of one service.
    const auto list = parseHostPortList(" a.example , [2001:db8::1]:81,b:7000", 7780);
    ASSERT_TRUE(list);
    EXPECT_EQ(*list, (QList<HostPort>{{"a.example", 7780}, {"2001:db8::1", 81}, {"b", 7000}}));
    EXPECT_FALSE(parseHostPortList("a,,b", 7780));
    EXPECT_FALSE(parseHostPortList("a,b:0", 7780));
}

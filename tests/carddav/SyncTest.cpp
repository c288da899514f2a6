#include "carddav/Sync.h"
#include "carddav/Client.h"
#include "carddav/Dav.h"
#include "carddav/SyncError.h"
#include "carddav/SyncState.h"
#include "carddav/VCardContacts.h"
#include "CardDavServers.h"
#include "data/Database.h"
#include "exchange/ContactCard.h"
#include "exchange/ContactStore.h"
#include "exchange/VCard.h"

#include <gtest/gtest.h>

#include <map>

using namespace pelmora;
using namespace pelmora::carddav;
using pelmora::test::CardDavServer;
using pelmora::test::TempDir;
using pelmora::test::TestServers;

namespace {

std::string card(const std::string& uid, const std::string& first, const std::string& last, const std::string& mail,
    const std::string& company = {})
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + first + " " + last + "\r\nN:" + last + ";" + first
        + ";;;\r\nEMAIL;TYPE=INTERNET:" + mail + "\r\n" + (company.empty() ? "" : "ORG:" + company + "\r\n")
        + "END:VCARD\r\n";
}

exchange::ContactCard contactOf(const std::string& text)
{
    const exchange::VCardParse parsed = exchange::parseVCards(text);
    if (parsed.cards.empty()) {
        ADD_FAILURE() << "not a card: " << text;
        return {};
    }
    return exchange::contactFromVCard(parsed.cards.front());
}

class SyncTest : public test::CardDavSuite {
protected:
    void SetUp() override
    {
        CardDavSuite::SetUp();
        if (IsSkipped())
            return;
        m_db = data::Database::create(m_dir.path());
        m_client = std::make_unique<CardDavClient>(test::connectionTo(servers()));
        const AddressBook found = m_client->discover(test::serverUrl(servers(), GetParam())).front();
        m_book = found.url;
        m_syncCollection = found.syncCollection;
        // Each test starts from an empty book.
        for (const RemoteCard& c : m_client->listCards(m_book))
            m_client->remove(resolveUrl(m_book, c.href), {});
        m_contacts = std::make_unique<VCardContacts>(sql());
    }

    data::SqlDatabase& sql() { return m_db->sql(); }

    SyncReport sync(bool dryRun = false)
    {
        Synchronizer s(sql(), *m_contacts, *m_client, m_book, m_syncCollection);
        return s.run(dryRun);
    }
    Synchronizer synchronizer() { return Synchronizer(sql(), *m_contacts, *m_client, m_book, m_syncCollection); }

    // The server's cards by e-mail address, as text.
    std::map<std::string, std::string> serverCards()
    {
        std::vector<std::string> hrefs;
        for (const RemoteCard& c : m_client->listCards(m_book))
            hrefs.push_back(c.href);
        std::map<std::string, std::string> byMail;
        for (const RemoteCard& c : m_client->fetch(m_book, hrefs)) {
            const std::string mail = contactOf(c.vcard).fields["EMail"];
            EXPECT_FALSE(byMail.count(mail)) << "doubled on the server: " << mail;
            byMail[mail] = c.vcard;
        }
        return byMail;
    }
    // The local contacts by e-mail address.
    std::map<std::string, exchange::ContactCard> localContacts()
    {
        std::map<std::string, exchange::ContactCard> byMail;
        for (std::int64_t counter : m_contacts->counters()) {
            exchange::ContactCard c = exchange::readContact(sql(), counter);
            EXPECT_FALSE(byMail.count(c.fields["EMail"])) << "doubled here: " << c.fields["EMail"];
            byMail[c.fields["EMail"]] = c;
        }
        return byMail;
    }
    std::string putCard(const std::string& name, const std::string& text, const std::string& etag = {})
    {
        const WriteResult r = m_client->put(resolveUrl(m_book, hrefPath(m_book) + name + ".vcf"), text, etag);
        EXPECT_TRUE(r.done);
        return r.etag;
    }
    std::string etagOf(const std::string& name)
    {
        for (const RemoteCard& c : m_client->listCards(m_book)) {
            if (c.href == hrefPath(m_book) + name + ".vcf")
                return c.etag;
        }
        return {};
    }
    void removeThere(const std::string& mail)
    {
        std::vector<std::string> hrefs;
        for (const RemoteCard& c : m_client->listCards(m_book))
            hrefs.push_back(c.href);
        for (const RemoteCard& c : m_client->fetch(m_book, hrefs)) {
            if (contactOf(c.vcard).fields["EMail"] == mail) {
                EXPECT_TRUE(m_client->remove(resolveUrl(m_book, c.href), c.etag).done);
            }
        }
    }
    // A contact typed in here: it has no UID of its own.
    std::int64_t addHere(const std::string& text)
    {
        exchange::ContactCard c = contactOf(text);
        c.uid.clear();
        return exchange::insertContact(sql(), c);
    }
    void changeHere(const std::string& mail, const std::string& field, const std::string& value)
    {
        sql()
            .prepare("UPDATE \"Contacts\" SET \"" + field + "\" = ? WHERE \"EMail\" = ?")
            .bind(1, value)
            .bind(2, mail)
            .run();
    }

    TempDir m_dir;
    std::shared_ptr<data::Database> m_db;
    std::unique_ptr<CardDavClient> m_client;
    std::unique_ptr<VCardContacts> m_contacts;
    std::string m_book;
    bool m_syncCollection = false;
};

void expectCounts(const SyncReport& r, int sent, int received, int deletedHere, int deletedThere, int conflicts)
{
    EXPECT_EQ(r.sent, sent);
    EXPECT_EQ(r.received, received);
    EXPECT_EQ(r.deletedHere, deletedHere);
    EXPECT_EQ(r.deletedThere, deletedThere);
    EXPECT_EQ(r.conflicts, conflicts);
    EXPECT_TRUE(r.errors.empty()) << (r.errors.empty() ? "" : r.errors.front());
}

// The first sync brings both sides together: the same person on both is matched, not doubled.
TEST_P(SyncTest, FirstSyncJoinsBothSidesWithoutDoubles)
{
    putCard("ann", card("ann", "Ann", "Archer", "ann@example.org"));
    putCard("bob", card("bob", "Bob", "Baker", "bob@example.org", "Bakery"));
    addHere(card("x", "Bob", "Baker", "BOB@example.org", "Bakery"));
    addHere(card("y", "Cid", "Cooper", "cid@example.org"));

    const SyncReport dry = sync(true);
    expectCounts(dry, 1, 1, 0, 0, 1); // Bob's e-mail differs in case only, but the text differs: asked
    EXPECT_EQ(localContacts().size(), 2u) << "a dry run changes nothing";
    EXPECT_EQ(serverCards().size(), 2u);

    expectCounts(sync(), 1, 1, 0, 0, 1);
    EXPECT_EQ(localContacts().size(), 3u);
    EXPECT_EQ(serverCards().size(), 3u);
    expectCounts(sync(), 0, 0, 0, 0, 1);
}

TEST_P(SyncTest, IdenticalContactsAreJoinedQuietly)
{
    const std::string bob = card("bob", "Bob", "Baker", "bob@example.org", "Bakery");
    putCard("bob", bob);
    addHere(bob);
    expectCounts(sync(), 0, 0, 0, 0, 0);
    EXPECT_EQ(localContacts().size(), 1u);
    EXPECT_EQ(serverCards().size(), 1u);
}

TEST_P(SyncTest, CarriesChangesAndDeletionsBothWays)
{
    putCard("ann", card("ann", "Ann", "Archer", "ann@example.org"));
    putCard("dan", card("dan", "Dan", "Dyer", "dan@example.org"));
    addHere(card("y", "Cid", "Cooper", "cid@example.org"));
    addHere(card("z", "Eve", "Evans", "eve@example.org"));
    expectCounts(sync(), 2, 2, 0, 0, 0);

    // There: Ann changed, Dan deleted. Here: Cid changed, Eve deleted.
    putCard("ann", card("ann", "Ann", "Archer", "ann@example.org", "Arrows Ltd"), etagOf("ann"));
    removeThere("dan@example.org");
    changeHere("cid@example.org", "City", "Cork");
    sql().prepare("DELETE FROM \"Contacts\" WHERE \"EMail\" = ?").bind(1, std::string("eve@example.org")).run();

    expectCounts(sync(), 1, 1, 1, 1, 0);
    auto here = localContacts();
    auto there = serverCards();
    EXPECT_EQ(here.size(), 2u);
    EXPECT_EQ(there.size(), 2u);
    EXPECT_EQ(here["ann@example.org"].fields["Company"], "Arrows Ltd");
    EXPECT_EQ(contactOf(there["cid@example.org"]).fields["City"], "Cork");
    EXPECT_FALSE(here.count("dan@example.org"));
    EXPECT_FALSE(there.count("eve@example.org"));
    expectCounts(sync(), 0, 0, 0, 0, 0);
}

// Changed on both sides: ours stays, theirs is kept beside it until the user chooses.
TEST_P(SyncTest, KeepsBothVersionsOfAConflictUntilTheUserChooses)
{
    putCard("ann", card("ann", "Ann", "Archer", "ann@example.org"));
    putCard("bob", card("bob", "Bob", "Baker", "bob@example.org"));
    expectCounts(sync(), 0, 2, 0, 0, 0);
    putCard("ann", card("ann", "Ann", "Archer", "ann@example.org", "Theirs Inc"), etagOf("ann"));
    putCard("bob", card("bob", "Bob", "Baker", "bob@example.org", "Theirs Inc"), etagOf("bob"));
    changeHere("ann@example.org", "Company", "Mine Ltd");
    changeHere("bob@example.org", "Company", "Mine Ltd");

    expectCounts(sync(), 0, 0, 0, 0, 2);
    EXPECT_EQ(localContacts()["ann@example.org"].fields["Company"], "Mine Ltd");
    EXPECT_EQ(contactOf(serverCards()["ann@example.org"]).fields["Company"], "Theirs Inc");
    expectCounts(sync(), 0, 0, 0, 0, 2);

    // Ours deleted while its conflict waits: the server's change comes back here.
    putCard("cid", card("cid", "Cid", "Cooper", "cid@example.org"));
    expectCounts(sync(), 0, 1, 0, 0, 2);
    putCard("cid", card("cid", "Cid", "Cooper", "cid@example.org", "Theirs Inc"), etagOf("cid"));
    changeHere("cid@example.org", "Company", "Mine Ltd");
    expectCounts(sync(), 0, 0, 0, 0, 3);
    sql().prepare("DELETE FROM \"Contacts\" WHERE \"EMail\" = ?").bind(1, std::string("cid@example.org")).run();
    expectCounts(sync(), 0, 1, 0, 0, 2);
    EXPECT_EQ(localContacts()["cid@example.org"].fields["Company"], "Theirs Inc");

    Synchronizer s = synchronizer();
    std::vector<Conflict> conflicts = s.conflicts();
    ASSERT_EQ(conflicts.size(), 2u);
    for (const Conflict& c : conflicts) {
        if (c.href.find("ann") != std::string::npos)
            s.keepMine(c.href);
        else
            s.takeTheirs(c.href);
    }
    EXPECT_TRUE(s.conflicts().empty());
    EXPECT_EQ(contactOf(serverCards()["ann@example.org"]).fields["Company"], "Mine Ltd");
    EXPECT_EQ(localContacts()["bob@example.org"].fields["Company"], "Theirs Inc");
    expectCounts(sync(), 0, 0, 0, 0, 0);
}

// Deleted on one side, changed on the other: the contact is kept on both.
TEST_P(SyncTest, AChangeOutlivesADeletionOnTheOtherSide)
{
    putCard("ann", card("ann", "Ann", "Archer", "ann@example.org"));
    addHere(card("y", "Cid", "Cooper", "cid@example.org"));
    expectCounts(sync(), 1, 1, 0, 0, 0);
    putCard("ann", card("ann", "Ann", "Archer", "ann@example.org", "Changed There"), etagOf("ann"));
    sql().prepare("DELETE FROM \"Contacts\" WHERE \"EMail\" = ?").bind(1, std::string("ann@example.org")).run();
    removeThere("cid@example.org");
    changeHere("cid@example.org", "City", "Changed Here");

    const SyncReport r = sync();
    EXPECT_EQ(r.deletedHere + r.deletedThere, 0);
    auto here = localContacts();
    auto there = serverCards();
    EXPECT_EQ(here["ann@example.org"].fields["Company"], "Changed There");
    EXPECT_EQ(contactOf(there["cid@example.org"]).fields["City"], "Changed Here");
    expectCounts(sync(), 0, 0, 0, 0, 0);
}

// A sync cut off after the server stored a new card, or a change, but before that was recorded:
// the next one finds the card again instead of sending a second copy or crying conflict.
TEST_P(SyncTest, FinishesTheWorkOfASyncThatWasCutOff)
{
    const std::string cid = card("cid", "Cid", "Cooper", "cid@example.org");
    const std::int64_t counter = addHere(cid);
    SyncState state(sql());
    SyncItem pending;
    pending.href = hrefPath(m_book) + "cid.vcf";
    pending.contact = counter;
    pending.uid = "cid";
    state.save(pending);
    state.setValue("Book", m_book.back() == '/' ? m_book : m_book + "/");
    putCard("cid", m_contacts->cardText(counter, "cid"));

    expectCounts(sync(), 0, 0, 0, 0, 0);
    EXPECT_EQ(serverCards().size(), 1u);

    // A change sent, its new ETag never recorded.
    changeHere("cid@example.org", "City", "Cork");
    putCard("cid", m_contacts->cardText(counter, "cid"), etagOf("cid"));
    expectCounts(sync(), 0, 0, 0, 0, 0);
    EXPECT_EQ(localContacts().size(), 1u);
}

// A property with no field here lives in the contact's note; when the server changes or drops it
// the note follows, or a later change here would send the old value back.
TEST_P(SyncTest, APropertyWithoutAFieldFollowsTheServer)
{
    const std::string plain = card("ann", "Ann", "Archer", "ann@example.org");
    auto with = [&](const std::string& line) {
        std::string text = plain;
        return text.insert(text.find("END:VCARD"), line + "\r\n");
    };
    auto shoeLines = [&] {
        std::vector<std::string> found;
        const exchange::ContactCard ann = localContacts()["ann@example.org"];
        for (const std::string& line : ann.unmapped)
            if (line.find("X-SHOE-SIZE") != std::string::npos)
                found.push_back(line);
        return found;
    };
    putCard("ann", with("X-SHOE-SIZE:42"));
    expectCounts(sync(), 0, 1, 0, 0, 0);
    EXPECT_EQ(shoeLines(), std::vector<std::string> { "X-SHOE-SIZE: 42" });

    putCard("ann", with("X-SHOE-SIZE:43"), etagOf("ann"));
    expectCounts(sync(), 0, 1, 0, 0, 0);
    EXPECT_EQ(shoeLines(), std::vector<std::string> { "X-SHOE-SIZE: 43" });

    putCard("ann", plain, etagOf("ann"));
    expectCounts(sync(), 0, 1, 0, 0, 0);
    EXPECT_TRUE(shoeLines().empty());
    expectCounts(sync(), 0, 0, 0, 0, 0);

    changeHere("ann@example.org", "City", "Cork");
    expectCounts(sync(), 1, 0, 0, 0, 0);
    const std::string there = serverCards()["ann@example.org"];
    EXPECT_EQ(there.find("X-SHOE-SIZE"), std::string::npos) << there;
    EXPECT_EQ(contactOf(there).fields["City"], "Cork");
}

// A wrong password stops the sync before anything is written on either side.
TEST_P(SyncTest, AWrongPasswordChangesNothing)
{
    putCard("ann", card("ann", "Ann", "Archer", "ann@example.org"));
    addHere(card("y", "Cid", "Cooper", "cid@example.org"));
    Connection wrong = test::connectionTo(servers());
    wrong.password = "not it";
    CardDavClient client(wrong);
    Synchronizer s(sql(), *m_contacts, client, m_book, m_syncCollection);
    try {
        s.run();
        FAIL() << "no error";
    } catch (const SyncError& e) {
        EXPECT_NE(std::string(e.what()).find("user name or password"), std::string::npos) << e.what();
    }
    EXPECT_EQ(localContacts().size(), 1u);
    EXPECT_EQ(serverCards().size(), 1u);
    EXPECT_EQ(sql().scalar("SELECT COUNT(*) FROM \"CardDavItems\""), 0);
}

// Another address book chosen, and the server refuses: what is known of the old book (and the
// server's side of a conflict waiting there) stays, as nothing was learnt of the new one.
TEST_P(SyncTest, AnotherBookThatCannotBeReachedLeavesTheStateAlone)
{
    putCard("ann", card("ann", "Ann", "Archer", "ann@example.org"));
    addHere(card("ann2", "Ann", "Archer", "ann@example.org", "Archery Ltd"));
    ASSERT_EQ(sync().conflicts, 1);
    const std::int64_t before = sql().scalar("SELECT COUNT(*) FROM \"CardDavItems\"");
    Connection wrong = test::connectionTo(servers());
    wrong.password = "not it";
    CardDavClient client(wrong);
    Synchronizer other(sql(), *m_contacts, client, m_book + "other/", m_syncCollection);
    EXPECT_THROW(other.run(), SyncError);
    EXPECT_EQ(sql().scalar("SELECT COUNT(*) FROM \"CardDavItems\""), before);
    EXPECT_EQ(synchronizer().conflicts().size(), 1u);
    EXPECT_EQ(sync().conflicts, 1) << "the old book goes on where it was";
}

INSTANTIATE_TEST_SUITE_P(Servers, SyncTest,
    ::testing::Values(CardDavServer { "radicale", false }, CardDavServer { "xandikos", false }), test::printName);

} // namespace

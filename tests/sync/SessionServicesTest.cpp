// The session's services: made on first use by the registered factories,
// reached through interfaces, ended newest first with the session, and the
// database they own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SessionFixture.hpp"
#include "TestEnvironment.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "store/SQLiteDatabase.hpp"
#include "sync/SessionServices.hpp"

namespace mv::test {
namespace {

class Greeter {
 public:
  virtual ~Greeter() = default;
  virtual std::string greet() const = 0;
};

// Notes its making and its end in a shared log.
class Service : public Greeter {
 public:
  Service(std::vector<std::string>& log, std::string name) : log_(log), name_(std::move(name)) {
    log_.push_back("made " + name_);
  }
  std::string greet() const override { return "hello from " + name_; }
  void sessionEnded() { log_.push_back("ended " + name_); }

 private:
  std::vector<std::string>& log_;
  std::string name_;
};

struct First : Service {
  using Service::Service;
};
struct Second : Service {
  using Service::Service;
};
// No session end to hear of.
struct Plain {
  explicit Plain(SessionServices& services) : database(&services.database()) {}
  DataAccessManager* database;
};

class SessionServicesTest : public TestEnvironment {
 protected:
  void SetUp() override {
    TestEnvironment::SetUp();
    signInAs("acme", "rep");
    registry.add<First>([this](SessionServices&) { return std::make_shared<First>(log, "first"); });
    registry.add<Second>([this](SessionServices& s) {
      // A service may use another while it is made.
      EXPECT_TRUE(s.get<First>());
      return std::make_shared<Second>(log, "second");
    });
    registry.alias<Greeter, Second>();
    registry.add<Plain>();
  }

  SessionServices::Registry registry;
  std::vector<std::string> log;
};

TEST_F(SessionServicesTest, MadeOnFirstUseOnceAndReachedThroughTheirInterfaces) {
  auto services = beginServices(registry);
  ASSERT_TRUE(services);
  EXPECT_EQ(SessionServices::current(), services);
  EXPECT_TRUE(log.empty()) << "nothing is made before it is asked for";
  EXPECT_FALSE(services->find<Second>());
  EXPECT_FALSE(services->find<Greeter>());

  auto greeter = services->get<Greeter>();
  ASSERT_TRUE(greeter);
  EXPECT_EQ(greeter->greet(), "hello from second");
  EXPECT_EQ(log, (std::vector<std::string>{"made first", "made second"}));
  EXPECT_EQ(services->get<Second>().get(), dynamic_cast<Second*>(greeter.get()));
  EXPECT_EQ(services->find<Greeter>(), greeter);
  EXPECT_EQ(log.size(), 2u) << "each is made once";

  // Nothing registered: nothing made.
  EXPECT_FALSE(services->get<std::string>());
  // A service made by its constructor gets the session's open database.
  auto plain = services->get<Plain>();
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->database, SessionDatabase::open().get());
}

TEST_F(SessionServicesTest, TheEndReachesTheServicesNewestFirstAndClosesTheDatabase) {
  auto services = beginServices(registry);
  ASSERT_TRUE(services);
  services->get<Second>();  // makes First, then Second
  services->get<Plain>();
  auto first = services->find<First>();
  ASSERT_TRUE(SQLiteDatabase::sharedDataBase().isOpen());

  SessionServices::end();
  EXPECT_EQ(log, (std::vector<std::string>{"made first", "made second", "ended second", "ended first"}));
  EXPECT_FALSE(SessionServices::current());
  EXPECT_TRUE(services->hasEnded());
  EXPECT_FALSE(SQLiteDatabase::sharedDataBase().isOpen());
  // A holder keeps its object; the ended session makes and answers nothing.
  EXPECT_EQ(first->greet(), "hello from first");
  EXPECT_FALSE(services->get<First>());
  EXPECT_FALSE(services->get<Plain>());
  SessionServices::end();  // harmless without a session
  EXPECT_EQ(log.size(), 4u);

  // The next session makes its own.
  auto next = beginServices(registry);
  ASSERT_TRUE(next);
  EXPECT_NE(next->get<First>(), first);
}

TEST_F(SessionServicesTest, BeginningAgainEndsTheSessionBefore) {
  auto services = beginServices(registry);
  services->get<First>();
  auto again = beginServices(registry);
  EXPECT_TRUE(services->hasEnded());
  EXPECT_EQ(SessionServices::current(), again);
  EXPECT_EQ(log, (std::vector<std::string>{"made first", "ended first"}));
}

TEST_F(SessionServicesTest, NoServicesWithoutADatabaseAndNoServiceThatNeedsItself) {
  Session::clear();
  EXPECT_FALSE(SessionServices::begin(registry));
  EXPECT_FALSE(SessionServices::current());

  signInAs("acme", "rep");
  SessionServices::Registry loop;
  loop.add<First>([](SessionServices& s) -> std::shared_ptr<First> {
    if (s.get<First>()) ADD_FAILURE() << "a service made while it is being made";
    return nullptr;
  });
  auto services = beginServices(loop);
  ASSERT_TRUE(services);
  EXPECT_FALSE(services->get<First>());
  // Registering a type again replaces its factory.
  loop.add<First>([this](SessionServices&) { return std::make_shared<First>(log, "again"); });
  EXPECT_TRUE(loop.has<First>());
  EXPECT_FALSE(loop.has<Second>());
  EXPECT_EQ(beginServices(loop)->get<First>()->greet(), "hello from again");
}

}  // namespace
}  // namespace mv::test

#pragma once
// The services of one signed-in session: the session's database and the
// feature services (the order store, the customer directory, the library's
// download manager, the sync engine, ...), each made on first use by the
// factory its feature registered when the application started, and owned
// here. The shell begins the services when a sign-in completes and ends them
// at logout or when the session ends: each service that has a
// `sessionEnded()` hears it (newest first), and then the database closes.
// Nothing is made for a session that has ended.
//
// A lower layer reaches a higher feature through an interface of its own,
// which the feature registers as an alias of its service.
//
// Main thread only.
#include <functional>
#include <memory>
#include <optional>
#include <typeindex>
#include <vector>

namespace mv {

class DataAccessManager;
class RequestSender;

class SessionServices : public std::enable_shared_from_this<SessionServices> {
 public:
  // The factories of the feature services, filled once when the features
  // install; each session makes its own services from a copy.
  class Registry {
   public:
    template <typename T>
    using Factory = std::function<std::shared_ptr<T>(SessionServices&)>;

    // `T` is made by `factory` (which may answer null: no such service).
    // Registering a type again replaces its factory.
    template <typename T>
    void add(Factory<T> factory) {
      Entry entry(typeid(T));
      entry.make = [factory = std::move(factory)](SessionServices& services) -> std::shared_ptr<void> {
        return factory(services);
      };
      if constexpr (requires(T& service) { service.sessionEnded(); }) {
        entry.ended = [](void* service) { static_cast<T*>(service)->sessionEnded(); };
      }
      put(std::move(entry));
    }
    // `T` is made by its constructor that takes the services.
    template <typename T>
    void add() {
      add<T>([](SessionServices& services) { return std::make_shared<T>(services); });
    }
    // Asking for `Interface` answers the `Implementation` service.
    template <typename Interface, typename Implementation>
    void alias() {
      static_assert(std::is_base_of_v<Interface, Implementation>);
      Entry entry(typeid(Interface));
      entry.target = std::type_index(typeid(Implementation));
      entry.cast = [](std::shared_ptr<void> service) -> std::shared_ptr<void> {
        std::shared_ptr<Interface> asInterface = std::static_pointer_cast<Implementation>(std::move(service));
        return asInterface;
      };
      put(std::move(entry));
    }
    template <typename T>
    bool has() const {
      return entry(typeid(T)) != nullptr;
    }

   private:
    friend class SessionServices;
    struct Entry {
      explicit Entry(std::type_index t) : type(t) {}
      std::type_index type;
      std::function<std::shared_ptr<void>(SessionServices&)> make;
      std::function<void(void*)> ended;
      std::optional<std::type_index> target;
      std::function<std::shared_ptr<void>(std::shared_ptr<void>)> cast;
    };
    void put(Entry entry);
    const Entry* entry(std::type_index type) const;

    std::vector<Entry> entries_;
  };

  // Begins the services of the client signed in now (ending any current
  // ones first) and makes them current. Null, with nothing current, when the
  // client's database cannot be opened.
  static std::shared_ptr<SessionServices> begin(Registry registry);
  // The current session's services; null while nobody is signed in.
  static std::shared_ptr<SessionServices> current();
  // Ends the current services, if any.
  static void end();

  ~SessionServices();
  SessionServices(const SessionServices&) = delete;
  SessionServices& operator=(const SessionServices&) = delete;

  // The session's database; open for as long as the services last.
  DataAccessManager& database() const { return *database_; }
  // The same, for a service that keeps it.
  const std::shared_ptr<DataAccessManager>& databaseHandle() const { return database_; }

  // The service registered for `T`, made now when it has not been; null when
  // nothing is registered for it or the session has ended.
  template <typename T>
  std::shared_ptr<T> get() {
    return std::static_pointer_cast<T>(resolve(typeid(T), true));
  }
  // The service for `T` only when it has been made already.
  template <typename T>
  std::shared_ptr<T> find() {
    return std::static_pointer_cast<T>(resolve(typeid(T), false));
  }
  bool hasEnded() const { return ended_; }
  // How the session's services send requests: the network model, unless a
  // `RequestSender` is registered (tests register a fake one).
  std::shared_ptr<RequestSender> requestSender();
  // The current session's request sender; the network model while nobody is
  // signed in.
  static std::shared_ptr<RequestSender> currentSender();

 private:
  SessionServices(Registry registry, std::shared_ptr<DataAccessManager> database);
  std::shared_ptr<void> resolve(std::type_index type, bool make);
  // Tells every service made, newest first, and lets go of them all.
  void endServices();

  struct Made {
    std::type_index type;
    std::shared_ptr<void> service;
    std::function<void(void*)> ended;
  };

  Registry registry_;
  std::shared_ptr<DataAccessManager> database_;
  std::vector<Made> made_;
  std::vector<std::type_index> making_;
  bool ended_ = false;
};

}  // namespace mv

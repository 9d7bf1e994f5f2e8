#include "customer/CustomerUploadIds.hpp"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "platform/base/Log.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/requests/RequestUploadCustomer.hpp"

namespace mv {

namespace {

using Row = CustomerModel::UploadedRow;
using Cause = CustomerUploadIds::Cause;

class Sorter {
 public:
  Sorter(const std::vector<int>& sent, DataAccessManager& store, const std::map<int, int>& sameAsCopy)
      : sent_(sent.begin(), sent.end()), store_(store), sameAsCopy_(sameAsCopy) {}

  // Takes the customers' ids; false when the store could not be read.
  bool takeCustomers(const std::vector<marvisto_customer_Entity>& rows) {
    const auto given = timesGiven(rows, [](const auto& c) { return c.customer_id; });
    std::map<int, int> mappings;
    for (const auto& c : rows) ++mappings[c.pid];
    for (const auto& c : rows) {
      if (!sent_.count(c.pid)) {
        MV_LOG("customer upload: the reply names customer ", c.pid, ", which was not sent");
        continue;
      }
      // A name is no identity: two customers may well share one, so an id
      // another customer holds is never taken, whatever its name.
      auto held = store_.customerOfRow(Row::Customer, c.customer_id);
      if (!held) return false;
      if (c.customer_id <= 0 || given.at(c.customer_id) > 1 || mappings[c.pid] > 1) {
        refuse(c.pid, Cause::UnsoundIds, "its id from the service", c.customer_id);
        continue;
      }
      // Unless the holder is the service's own copy of this very customer,
      // which a sync brought after the reply to an earlier upload of it was
      // lost: its rows must then be the ones the reply gives this customer's
      // rows (see settleCopies). A local customer's id is below 0, so a
      // holder is never one; nor is a customer this device uploaded, whose
      // id the reply gives another customer: the two are different people.
      // Of one noted without its local customer that cannot be told: only
      // the user's word makes it this customer's copy.
      if (held->has_value()) {
        auto uploadedFrom = store_.uploadedFrom(c.customer_id);
        if (!uploadedFrom) return false;
        const auto vouched = sameAsCopy_.find(c.pid);
        const bool sameByWord = vouched != sameAsCopy_.end() && vouched->second == c.customer_id;
        if (uploadedFrom->has_value() && !(**uploadedFrom == 0 && sameByWord)) {
          refuse(c.pid, **uploadedFrom == 0 ? Cause::MaybeItsCopy : Cause::AnotherCustomers, "its id from the service",
                 c.customer_id, c.customer_id);
          continue;
        }
        copies_[c.pid] = c.customer_id;
      }
      newIds_[c.pid] = c.customer_id;
      customers_.push_back(c);
    }
    // A customer sent but left out of the reply (or given an id that does not
    // read as one, which the reply drops) has no id to take: it goes again.
    for (int pid : sent_) {
      if (newIds_.count(pid) || refused_.count(pid)) continue;
      // One the document could not carry (no longer stored) was never sent.
      auto stored = store_.customerOfRow(Row::Customer, pid);
      if (!stored) return false;
      if (!stored->has_value()) continue;
      MV_LOG("customer upload: the reply gives customer ", pid, " no id");
      refused_.emplace(pid, Refusal{Cause::UnsoundIds, 0});
    }
    return true;
  }

  // Takes the ids of one kind of a customer's rows: `ids` reads the row's
  // (service id, local id, customer id it names) and `setCustomer` writes
  // the customer it goes with.
  template <typename Entity, typename Ids, typename SetCustomer>
  bool takeRows(const std::vector<Entity>& rows, Row table, std::vector<Entity>& out, Ids ids,
                SetCustomer setCustomer) {
    const auto given = timesGiven(rows, [&](const Entity& e) { return std::get<0>(ids(e)); });
    for (const Entity& e : rows) {
      const auto [id, localId, named] = ids(e);
      auto owner = store_.customerOfRow(table, localId);
      if (!owner) return false;
      if (localId >= 0 || !owner->has_value() || !sent_.count(**owner)) {
        MV_LOG("customer upload: the reply names row ", localId, ", which was not sent");
        continue;
      }
      const int customer = **owner;
      auto held = store_.customerOfRow(table, id);
      if (!held) return false;
      const auto newId = newIds_.find(customer);
      // A row that names no customer goes with its own; one that names
      // another has been mixed up.
      const bool ownCustomer = newId != newIds_.end() && (named == 0 || named == newId->second);
      const auto copy = copies_.find(customer);
      const bool ofOwnCopy = held->has_value() && copy != copies_.end() && **held == copy->second;
      const bool clash = held->has_value() && !ofOwnCopy;
      if (id <= 0 || given.at(id) > 1 || clash || !ownCustomer) {
        const bool onlyHeld = clash && id > 0 && given.at(id) == 1 && ownCustomer;
        refuse(customer, onlyHeld ? Cause::AnotherCustomers : Cause::UnsoundIds, "the id of one of its rows", id,
               onlyHeld ? **held : 0);
        continue;
      }
      if (ofOwnCopy) {
        confirmed_.insert(customer);
        replaced_[customer].push_back(id);
      }
      Entity stored = e;
      setCustomer(stored, newId->second);
      out.push_back(std::move(stored));
    }
    return true;
  }

  // A customer given the id of a stored customer is that customer only
  // when the reply gives at least one of its rows a row of that customer.
  void settleCopies() {
    for (const auto& [pid, copy] : copies_) {
      if (!confirmed_.count(pid)) refuse(pid, Cause::AnotherCustomers, "its id from the service", copy, copy);
    }
  }

  CustomerUploadIds result() && {
    CustomerUploadIds out;
    const auto kept = [&](int customer) { return !refused_.count(customer); };
    for (const auto& [pid, copy] : copies_) {
      if (!kept(pid)) continue;
      CustomerUploadIds::Copy merge{pid, copy, {}, {}, {}};
      for (const auto& a : addresses)
        if (oldIdOf(a.customerId) == pid && isReplaced(pid, a.indexId)) merge.addresses.push_back(a.indexId);
      for (const auto& a : attributes)
        if (oldIdOf(a.customer_id) == pid && isReplaced(pid, a.attribute_id)) merge.attributes.push_back(a.attribute_id);
      for (const auto& c : contacts)
        if (oldIdOf(c.customerID) == pid && isReplaced(pid, c.contactID)) merge.contacts.push_back(c.contactID);
      out.copies.push_back(std::move(merge));
    }
    for (auto& c : customers_)
      if (kept(c.pid)) out.customers.push_back(std::move(c));
    const auto keepRows = [&](auto& rows, auto& into, auto customerOf) {
      for (auto& row : rows)
        if (kept(oldIdOf(customerOf(row)))) into.push_back(std::move(row));
    };
    keepRows(addresses, out.addresses, [](const auto& a) { return a.customerId; });
    keepRows(attributes, out.attributes, [](const auto& a) { return a.customer_id; });
    keepRows(contacts, out.contacts, [](const auto& c) { return c.customerID; });
    for (const auto& [pid, why] : refused_) out.refused.push_back({pid, why.cause, why.holder});
    return out;
  }

  std::vector<marvisto_customer_address_Entity> addresses;
  std::vector<marvisto_customer_attribute_Entity> attributes;
  std::vector<marvisto_customer_contact_entity> contacts;

 private:
  template <typename Entity, typename Id>
  static std::map<int, int> timesGiven(const std::vector<Entity>& rows, Id id) {
    std::map<int, int> given;
    for (const auto& e : rows) ++given[id(e)];
    return given;
  }

  // The first cause found is the one told; `holder` is the stored customer
  // that holds the id (0: none).
  void refuse(int customer, Cause cause, const char* what, int id, int holder = 0) {
    MV_LOG("customer upload: customer ", customer, " keeps its local ids: ", what, " (", id,
           ") is not the service's own, or is given twice, or is another row's");
    refused_.emplace(customer, Refusal{cause, holder});
  }

  bool isReplaced(int customer, int id) const {
    auto it = replaced_.find(customer);
    return it != replaced_.end() && std::find(it->second.begin(), it->second.end(), id) != it->second.end();
  }

  int oldIdOf(int newId) const {
    for (const auto& [oldId, id] : newIds_)
      if (id == newId) return oldId;
    return 0;
  }

  struct Refusal {
    Cause cause;
    int holder;
  };
  std::set<int> sent_;
  DataAccessManager& store_;
  const std::map<int, int>& sameAsCopy_;
  std::map<int, int> newIds_;  // local id -> the service's
  std::vector<marvisto_customer_Entity> customers_;
  std::map<int, Refusal> refused_;
  // Local id -> the stored customer the service says it is, the customers
  // whose rows confirmed it, and the ids of the copy's rows they replace.
  std::map<int, int> copies_;
  std::set<int> confirmed_;
  std::map<int, std::vector<int>> replaced_;
};

}  // namespace

std::optional<CustomerUploadIds> CustomerUploadIds::of(const SubmitCustomerRst& reply, const std::vector<int>& sent,
                                                       DataAccessManager& store,
                                                       const std::map<int, int>& sameAsCopy) {
  Sorter sorter(sent, store, sameAsCopy);
  if (!sorter.takeCustomers(reply.customerArry)) return std::nullopt;
  const bool read =
      sorter.takeRows(
          reply.customerAddress, Row::Address, sorter.addresses,
          [](const auto& a) { return std::tuple(a.indexId, a.pID, a.customerId); },
          [](auto& a, int customer) { a.customerId = customer; }) &&
      sorter.takeRows(
          reply.customerAttributes, Row::Attribute, sorter.attributes,
          [](const auto& a) { return std::tuple(a.attribute_id, a.pID, a.customer_id); },
          [](auto& a, int customer) { a.customer_id = customer; }) &&
      sorter.takeRows(
          reply.customerContacts, Row::Contact, sorter.contacts,
          [](const auto& c) { return std::tuple(c.contactID, c.pID, c.customerID); },
          [](auto& c, int customer) { c.customerID = customer; });
  if (!read) return std::nullopt;
  sorter.settleCopies();
  return std::move(sorter).result();
}

}  // namespace mv

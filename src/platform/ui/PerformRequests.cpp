#include "platform/ui/PerformRequests.hpp"

#include <map>

namespace ui {

namespace {

struct Request {
  const void* target;
  std::string selector;
  std::optional<base::Value> argument;
};

std::map<base::TimerId, Request>& requests() {
  static std::map<base::TimerId, Request> r;
  return r;
}

}  // namespace

base::TimerId PerformRequests::perform(const std::shared_ptr<void>& target, const std::string& selector,
                                       std::function<void()> task, double delay, std::optional<base::Value> argument) {
  std::weak_ptr<void> weak = target;
  auto id = std::make_shared<base::TimerId>(0);
  *id = base::RunLoop::main().after(delay, [weak, id, task = std::move(task)] {
    requests().erase(*id);
    if (weak.expired()) return;
    if (task) task();
  });
  requests()[*id] = Request{target.get(), selector, std::move(argument)};
  return *id;
}

void PerformRequests::cancel(const void* target, const std::string& selector, const std::optional<base::Value>& argument) {
  auto& r = requests();
  for (auto it = r.begin(); it != r.end();) {
    if (it->second.target == target && it->second.selector == selector && it->second.argument == argument) {
      base::RunLoop::main().cancel(it->first);
      it = r.erase(it);
    } else {
      ++it;
    }
  }
}

void PerformRequests::cancelAll(const void* target) {
  auto& r = requests();
  for (auto it = r.begin(); it != r.end();) {
    if (it->second.target == target) {
      base::RunLoop::main().cancel(it->first);
      it = r.erase(it);
    } else {
      ++it;
    }
  }
}

void PerformRequests::cancel(base::TimerId id) {
  base::RunLoop::main().cancel(id);
  requests().erase(id);
}

std::size_t PerformRequests::pendingCount(const void* target) {
  std::size_t n = 0;
  for (auto& [id, r] : requests())
    if (r.target == target && base::RunLoop::main().isScheduled(id)) ++n;
  return n;
}

}  // namespace ui

#include "platform/memory/call_log.h"

#include <atomic>
#include <deque>
#include <mutex>
#include <unordered_map>

#include "host/host_error.h"

namespace quill::memory {

namespace {
// MinGW's win32 thread model, which the Windows builds use, has no std::mutex;
// interning is rare and short, so a spin lock does.
class SpinLock {
public:
    void lock() noexcept {
        while (flag_.test_and_set(std::memory_order_acquire)) {
        }
    }
    void unlock() noexcept { flag_.clear(std::memory_order_release); }

private:
    std::atomic_flag flag_;
};

struct Registry {
    SpinLock mutex;
    std::deque<std::string> names;  // stable addresses for name_of
    std::unordered_map<std::string_view, CallLog::MemberId> ids;
};
Registry& registry() {
    static Registry r;
    return r;
}
}  // namespace

CallLog::MemberId CallLog::id_of(std::string_view member) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    if (auto it = r.ids.find(member); it != r.ids.end()) return it->second;
    const auto id = static_cast<MemberId>(r.names.size());
    r.names.emplace_back(member);
    r.ids.emplace(r.names.back(), id);
    return id;
}

const std::string& CallLog::name_of(MemberId id) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.names.at(id);
}

void CallLog::enter(MemberId id) {
    ++total_;
    if (keep_sequence_) sequence_.push_back(id);
    if (id >= counts_.size()) counts_.resize(id + 1, 0);
    ++counts_[id];
    // Every matching rule counts the call, so rules never shadow each other's
    // numbering; the first that fires decides the error.
    const Rule* fired = nullptr;
    for (Rule& rule : rules_) {
        if (rule.spent || (rule.member && *rule.member != id)) continue;
        ++rule.seen;
        if (rule.nth != 0 && rule.seen != rule.nth) continue;
        if (rule.nth != 0) rule.spent = true;
        if (!fired) fired = &rule;
    }
    if (fired) {
        ++faults_thrown_;
        throw HostError(fired->number, fired->description);
    }
    if (watched_ == id && on_watched_) on_watched_();
}

void CallLog::watch(std::string_view member, std::function<void()> then) {
    watched_ = then ? std::optional(id_of(member)) : std::nullopt;
    on_watched_ = std::move(then);
}

std::uint64_t CallLog::count(std::string_view member) const {
    const MemberId id = id_of(member);
    return id < counts_.size() ? counts_[id] : 0;
}

std::vector<std::string> CallLog::calls() const { return calls_since(0); }

std::vector<std::string> CallLog::calls_since(std::uint64_t from) const {
    std::vector<std::string> out;
    for (std::uint64_t i = from; i < sequence_.size(); ++i) out.push_back(name_of(sequence_[i]));
    return out;
}

void CallLog::clear() {
    sequence_.clear();
    counts_.clear();
    total_ = 0;
}

void CallLog::fail_nth(std::string_view member, std::uint64_t n, std::int32_t number, std::u16string description) {
    if (n == 0) n = 1;
    rules_.push_back(Rule{id_of(member), n, 0, false, number, std::move(description)});
}

void CallLog::fail_every(std::string_view member, std::int32_t number, std::u16string description) {
    rules_.push_back(Rule{id_of(member), 0, 0, false, number, std::move(description)});
}

void CallLog::fail_all(std::int32_t number, std::u16string description) {
    rules_.push_back(Rule{std::nullopt, 0, 0, false, number, std::move(description)});
}

void CallLog::fail_any_nth(std::uint64_t n, std::int32_t number, std::u16string description) {
    if (n == 0) n = 1;
    rules_.push_back(Rule{std::nullopt, n, 0, false, number, std::move(description)});
}

}  // namespace quill::memory

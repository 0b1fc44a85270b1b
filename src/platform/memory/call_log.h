#pragma once
// The call log and fault injection of the in-memory host. Every port member
// call goes through CallLog::enter("Object.Member") before it does anything:
// the call is logged and counted, then the fault rules are checked, and a
// matching rule makes the call throw its HostError without any effect.
//
// Names are interned once per call site, so a call costs one vector append and
// one counter increment; count() is O(1), which keeps tests that count the
// calls made for each character of a 32,767-character comment cheap.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill::memory {

class CallLog {
public:
    using MemberId = std::uint32_t;
    // The process-wide id of a member name ("Font.Bold").
    static MemberId id_of(std::string_view member);
    static const std::string& name_of(MemberId id);

    // Logs and counts the call, then throws when a rule says it fails.
    void enter(MemberId id);
    void enter(std::string_view member) { enter(id_of(member)); }

    // Calls so far (since construction or clear()).
    std::uint64_t total() const noexcept { return total_; }
    std::uint64_t count(std::string_view member) const;
    // The calls in order, as "Object.Member" names. Building this copies the
    // names; for counting, use count().
    std::vector<std::string> calls() const;
    // Calls from position `from` (0-based) on; cheap way to look at the calls
    // one step made: `auto mark = log.total(); ...; log.calls_since(mark)`
    // (positions count kept calls; see keep_sequence).
    std::vector<std::string> calls_since(std::uint64_t from) const;
    // Forgets the log and the counters; the fault rules stay.
    void clear();
    // Off: calls are counted (and rules apply) but not kept in order, so a
    // long-running tool does not grow the log; calls() then misses them.
    void keep_sequence(bool on) noexcept { keep_sequence_ = on; }
    // Runs `then` after each call of `member` that did not fail (one watcher at
    // a time; an empty function removes it): how a long-running tool shows
    // its progress.
    void watch(std::string_view member, std::function<void()> then);

    // Fault rules. Call numbers count the calls made after the rule was added,
    // starting at 1. A rule that fired once ("nth") is spent.
    void fail_nth(std::string_view member, std::uint64_t n, std::int32_t number, std::u16string description);
    void fail_every(std::string_view member, std::int32_t number, std::u16string description);
    void fail_any_nth(std::uint64_t n, std::int32_t number, std::u16string description);
    // Every call of every member: a port that is gone altogether.
    void fail_all(std::int32_t number, std::u16string description);
    void clear_faults() { rules_.clear(); }
    // How many injected faults have been thrown.
    std::uint64_t faults_thrown() const noexcept { return faults_thrown_; }

private:
    struct Rule {
        std::optional<MemberId> member;  // empty: any member
        std::uint64_t nth = 0;           // 0: every call
        std::uint64_t seen = 0;
        bool spent = false;
        std::int32_t number = 0;
        std::u16string description;
    };
    std::vector<MemberId> sequence_;
    std::vector<std::uint64_t> counts_;  // by MemberId
    std::vector<Rule> rules_;
    std::uint64_t faults_thrown_ = 0;
    std::uint64_t total_ = 0;
    bool keep_sequence_ = true;
    std::optional<MemberId> watched_;
    std::function<void()> on_watched_;
};

}  // namespace quill::memory

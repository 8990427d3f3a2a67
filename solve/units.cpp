#include "solve/units.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace tessera::solve {

std::vector<Prefix> expand_frontier(const Problem& problem, std::size_t n) {
    return expand_frontier(problem, std::vector<Prefix>{Prefix{}}, n);
}

std::vector<Prefix> expand_frontier(const Problem& problem, std::vector<Prefix> units, std::size_t n) {
    Walker walker(problem);
    for (;;) {
        if (units.size() >= n) return units;
        std::vector<Prefix> next;
        bool expanded = false;
        for (const Prefix& unit : units) {
            bool solution = false;
            if (!walker.enter(unit)) continue;
            std::vector<Prefix> kids = walker.children(solution);
            if (solution) {
                next.push_back(unit);
                continue;
            }
            expanded = true;
            for (Prefix& kid : kids) next.push_back(std::move(kid));
        }
        units = std::move(next);
        if (!expanded) return units;
    }
}

UnitResult solve_unit(const Problem& problem, const Prefix& prefix, const UnitOptions& options) {
    static const std::atomic<bool> never{false};
    std::unique_ptr<Walker> own;
    if (!options.walker) own = std::make_unique<Walker>(problem);
    Walker& walker = options.walker ? *options.walker : *own;
    const std::uint64_t nodes_before = walker.nodes;
    UnitResult result;
    if (!walker.enter(prefix)) {
        result.complete = true;
        return result;
    }
    const Walker::TilingSink sink = [&](const Prefix& tiling) {
        BigCount n;
        Walker::count_labellings(problem, tiling, n);
        result.solutions.add(n);
        ++result.tilings;
        return !options.on_tiling || options.on_tiling(tiling);
    };
    const Walker::End end = walker.walk(sink, options.stop ? *options.stop : never);
    result.nodes = walker.nodes - nodes_before;
    result.complete = end == Walker::End::Exhausted;
    if (!result.complete) result.open = walker.open_prefixes();
    return result;
}

namespace {

using Key = std::vector<std::uint32_t>;

struct Item {
    Key key;
    Prefix prefix;
    std::uint64_t budget = 0;  // nodes of its next turn, 0: no limit
};

using Clock = std::chrono::steady_clock;

// One round of the threads over the frontier: until it is searched, a stop, or the next
// checkpoint. Idle threads ask a busy one to stop and put back what it has not searched; the
// pieces keep their place in the search order through their keys.
class Round {
public:
    enum class End { Complete, MaxSolutions, Stopped, Checkpoint, Failed };

    Round(const Problem& problem, SearchTotals& totals, const RunOptions& options, std::uint64_t& written,
          DeadStates& dead, std::uint64_t carried)
        : p_(problem), t_(totals), o_(options), written_(written), dead_(dead), carried_(carried) {
        for (std::size_t i = 0; i < totals.frontier.size(); ++i) {
            const std::uint64_t budget = i < totals.budgets.size() ? totals.budgets[i] : options.turn_nodes;
            queue_.push_back({Key{static_cast<std::uint32_t>(i)}, std::move(totals.frontier[i]), budget});
        }
        totals.frontier.clear();
        totals.budgets.clear();
    }

    End run(Clock::time_point started, Clock::time_point checkpoint_at, TreeEstimate& estimate, Walker& prober,
            std::uint64_t& rng);

private:
    struct Worker {
        std::atomic<bool> interrupt{false};
        std::unique_ptr<Walker> walker;
        bool busy = false;
        std::uint64_t nodes_counted = 0;
    };

    void work(Worker& w);
    bool on_tiling(const Prefix& tiling);
    void stop_all(End why);
    Progress progress(Clock::time_point started, const TreeEstimate& estimate) const;

    const Problem& p_;
    SearchTotals& t_;
    const RunOptions& o_;
    std::uint64_t& written_;
    DeadStates& dead_;
    const std::uint64_t carried_;  // nodes of the runs before this one
    mutable std::mutex mu_;
    std::condition_variable cv_;
    std::deque<Item> queue_;
    std::vector<Item> left_;
    std::vector<std::unique_ptr<Worker>> workers_;
    int idle_ = 0;
    int running_ = 0;
    bool stopping_ = false;
    End why_ = End::Complete;
};

bool Round::on_tiling(const Prefix& tiling) {
    std::lock_guard lock(mu_);
    // A tiling met while the threads are stopping is counted all the same: the walk has gone
    // past it, so it is in no open prefix that the next round would search.
    BigCount n;
    Walker::count_labellings(p_, tiling, n);
    t_.solutions.add(n);
    ++t_.tilings;
    bool ok = !o_.on_tiling || o_.on_tiling(tiling);
    // One solution file per tiling: the others it stands for only swap pieces of one shape.
    if (ok && o_.on_solution && (o_.max_solutions == 0 || written_ < o_.max_solutions)) {
        ok = o_.on_solution(tiling);
        ++written_;
    }
    if (!ok) {
        stopping_ = true;
        why_ = End::Failed;
    } else if (o_.max_solutions != 0 && written_ >= o_.max_solutions) {
        stopping_ = true;
        why_ = End::MaxSolutions;
    }
    if (stopping_)
        for (auto& w : workers_) w->interrupt.store(true);
    return !stopping_;
}

void Round::stop_all(End why) {
    std::lock_guard lock(mu_);
    if (!stopping_) why_ = why;
    stopping_ = true;
    for (auto& w : workers_) w->interrupt.store(true);
    cv_.notify_all();
}

void Round::work(Worker& w) {
    const Walker::TilingSink sink = [this](const Prefix& tiling) { return on_tiling(tiling); };
    std::unique_lock lock(mu_);
    bool asked = false;
    for (;;) {
        if (stopping_) break;
        if (queue_.empty()) {
            if (running_ == 0) break;
            // Ask a busy thread to hand over the rest of its unit.
            asked = true;
            ++idle_;
            for (auto& other : workers_)
                if (other->busy) {
                    other->interrupt.store(true);
                    break;
                }
            cv_.wait_for(lock, std::chrono::milliseconds(20));
            --idle_;
            continue;
        }
        // A thread that asked for work takes the last part handed over, the one nearest the
        // root: the largest piece of work, and the farthest from what the giver goes on with.
        Item item = std::move(asked ? queue_.back() : queue_.front());
        if (asked)
            queue_.pop_back();
        else
            queue_.pop_front();
        asked = false;
        w.busy = true;
        ++running_;
        w.interrupt.store(stopping_);
        lock.unlock();
        // Every other turn of a unit walks its tree another way: where the first walk sank into a
        // dead subtree, the other often does not, and the cost is at most the same again.
        w.walker->set_last_of_ties(item.budget != 0 && std::countr_zero(item.budget / o_.turn_nodes) % 2 == 1);
        const bool entered = w.walker->enter(item.prefix);
        const std::uint64_t tilings_before = w.walker->tilings_met();
        const Walker::End end = entered ? w.walker->walk(sink, w.interrupt, item.budget) : Walker::End::Exhausted;
        // A turn that ran out with nothing found is taken again from its prefix, with twice the
        // nodes, after the other units' turns; otherwise what it left open is exact to go on with.
        const bool turn_over = end == Walker::End::Stopped && !w.interrupt.load() &&
                               w.walker->tilings_met() == tilings_before;
        std::vector<Prefix> open;
        if (end == Walker::End::Stopped && !turn_over) open = w.walker->open_prefixes();
        lock.lock();
        w.busy = false;
        --running_;
        t_.nodes += w.walker->nodes - w.nodes_counted;
        w.nodes_counted = w.walker->nodes;
        if (turn_over) {
            item.budget *= 2;
            if (stopping_)
                left_.push_back(std::move(item));
            else
                queue_.push_back(std::move(item));
            cv_.notify_all();
            continue;
        }
        // Either handed over (an idle thread asked) or kept for the checkpoint (a stop).
        std::vector<Item> parts;
        for (std::size_t j = 0; j < open.size(); ++j) {
            Key key = item.key;
            key.push_back(static_cast<std::uint32_t>(j));
            parts.push_back({std::move(key), std::move(open[j]), item.budget});
        }
        if (stopping_)
            for (Item& part : parts) left_.push_back(std::move(part));
        else
            queue_.insert(queue_.begin(), std::make_move_iterator(parts.begin()), std::make_move_iterator(parts.end()));
        cv_.notify_all();
    }
    cv_.notify_all();
}

Round::End Round::run(Clock::time_point started, Clock::time_point checkpoint_at, TreeEstimate& estimate,
                      Walker& prober, std::uint64_t& rng) {
    const int threads = std::max(1, o_.threads);
    for (int i = 0; i < threads; ++i) {
        workers_.push_back(std::make_unique<Worker>());
        workers_.back()->walker = std::make_unique<Walker>(p_);
        workers_.back()->walker->share_dead_states(&dead_);
    }
    std::vector<std::thread> pool;
    for (auto& w : workers_) pool.emplace_back([this, &w] { work(*w); });

    for (;;) {
        {
            std::unique_lock lock(mu_);
            // The condition is tested before waiting too: a small unit's threads may all have
            // ended before this one first waits, and their notice would be lost.
            if (cv_.wait_for(lock, std::chrono::milliseconds(250),
                             [this] { return stopping_ || (queue_.empty() && running_ == 0); }))
                break;
        }
        const Clock::time_point now = Clock::now();
        const double seconds = std::chrono::duration<double>(now - started).count();
        if (o_.should_stop && o_.should_stop())
            stop_all(End::Stopped);
        else if (o_.time_limit > 0 && seconds >= o_.time_limit)
            stop_all(End::Stopped);
        else if (now >= checkpoint_at)
            stop_all(End::Checkpoint);
        if (o_.on_progress) {
            for (int k = 0; k < 20; ++k) estimate.add(prober.probe(rng));
            o_.on_progress(progress(started, estimate));
        }
    }
    for (std::thread& t : pool) t.join();
    for (const auto& w : workers_) t_.deepest = std::max(t_.deepest, w->walker->deepest.load());
    // What is left, in search order: the parts of stopped units and the units never started.
    for (Item& item : queue_) left_.push_back(std::move(item));
    std::sort(left_.begin(), left_.end(), [](const Item& a, const Item& b) { return a.key < b.key; });
    for (Item& item : left_) {
        t_.frontier.push_back(std::move(item.prefix));
        t_.budgets.push_back(item.budget);
    }
    if (!stopping_) return t_.frontier.empty() ? End::Complete : End::Checkpoint;
    return why_;
}

Progress Round::progress(Clock::time_point started, const TreeEstimate& estimate) const {
    Progress out;
    out.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    std::lock_guard lock(mu_);
    out.nodes = t_.nodes;
    out.carried = carried_;
    out.tilings = t_.tilings;
    out.deepest = t_.deepest;
    for (const auto& w : workers_) {
        out.nodes += w->walker->nodes.load(std::memory_order_relaxed) - w->nodes_counted;
        out.deepest = std::max(out.deepest, w->walker->deepest.load(std::memory_order_relaxed));
    }
    if (!estimate.stable(out.tree, out.spread)) out.tree = out.spread = -1;
    return out;
}

}  // namespace

void TreeEstimate::add(double nodes) {
    ++probes;
    sum += nodes;
    sum_of_squares += nodes * nodes;
}

bool TreeEstimate::stable(double& nodes, double& spread) const {
    if (probes < 200) return false;
    const double n = static_cast<double>(probes);
    const double mean = sum / n;
    const double variance = std::max(0.0, sum_of_squares / n - mean * mean) * n / (n - 1);
    spread = std::sqrt(variance / n) / mean;
    nodes = mean;
    return std::isfinite(spread) && mean > 0 && spread <= 0.5;
}

RunEnd run_search(const Problem& problem, SearchTotals& totals, const RunOptions& options) {
    const Clock::time_point started = Clock::now();
    std::uint64_t written = 0;
    const std::uint64_t carried = totals.nodes;
    TreeEstimate estimate;
    std::uint64_t rng = 0x2545f4914f6cdd1dULL;
    Walker prober(problem);
    // Shared by the threads and kept from round to round: a unit started again on another
    // thread, or after a checkpoint, skips what an earlier turn found dead.
    std::unique_ptr<DeadStates> own_table;
    if (options.dead_states == nullptr) own_table = std::make_unique<DeadStates>();
    DeadStates& dead = options.dead_states != nullptr ? *options.dead_states : *own_table;
    prober.enter({});
    const auto every = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(options.checkpoint_every > 0 ? options.checkpoint_every : 60));
    if (options.turn_nodes > 0 && totals.frontier.size() < options.turn_units) {
        totals.frontier = expand_frontier(problem, std::move(totals.frontier), options.turn_units);
        totals.budgets.clear();
    }
    const auto first = options.first_checkpoint > 0 ? std::chrono::duration_cast<Clock::duration>(
                                                          std::chrono::duration<double>(options.first_checkpoint))
                                                    : every;
    for (bool first_round = true;; first_round = false) {
        if (totals.frontier.empty()) return RunEnd::Complete;
        Round round(problem, totals, options, written, dead, carried);
        const Round::End end =
            round.run(started, Clock::now() + (first_round ? first : every), estimate, prober, rng);
        if (options.on_checkpoint && end != Round::End::Failed) options.on_checkpoint(totals);
        switch (end) {
            case Round::End::Complete: return RunEnd::Complete;
            case Round::End::MaxSolutions: return RunEnd::MaxSolutions;
            case Round::End::Stopped:
            case Round::End::Failed: return RunEnd::Stopped;
            case Round::End::Checkpoint: break;
        }
    }
}

}  // namespace tessera::solve

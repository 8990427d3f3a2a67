#include "solve/portfolio.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "solve/dead_states.h"

namespace tessera::solve {

namespace {

using Clock = std::chrono::steady_clock;

class Race {
public:
    Race(const Problem& problem, const PortfolioOptions& options)
        : p_(problem), o_(options), started_(Clock::now()) {
        if (!problem.area_mismatch()) totals_.frontier.push_back({});
    }

    PortfolioResult run() {
        if (o_.racers == Racers::WalkOnly) {
            walk_turn(std::max(1, o_.threads), 0);
        } else if (o_.racers == Racers::SatOnly) {
            sat_turn();
        } else if (o_.threads >= 2 || o_.walk_threads > 0) {
            std::thread sat([this] { sat_turn(); });
            walk_turn(o_.walk_threads > 0 ? o_.walk_threads : o_.threads - 1, 0);
            // The walk ends only when the race is over; the engine polls the same flag.
            sat.join();
        } else {
            take_turns();
        }
        result_.walk_nodes = totals_.nodes;
        result_.seconds = seconds();
        return std::move(result_);
    }

private:
    double seconds() const { return std::chrono::duration<double>(Clock::now() - started_).count(); }
    bool over() const {
        return decided_ || (o_.should_stop && o_.should_stop()) || (o_.time_limit > 0 && seconds() >= o_.time_limit);
    }
    bool turn_over() const { return over() || (turn_end_ > 0 && seconds() >= turn_end_); }

    // The first decisive answer stands; later ones are dropped.
    void decide(RunEnd end, Engine by, const Prefix& solution, const std::string& fault) {
        std::lock_guard lock(mu_);
        if (decided_) return;
        result_.end = end;
        result_.by = by;
        result_.solution = solution;
        result_.fault = fault;
        decided_ = true;
    }

    // `seconds` > 0: a turn of that length; the walk goes on from its open subproblems.
    void walk_turn(int threads, double seconds) {
        RunOptions run;
        run.threads = threads;
        run.max_solutions = 1;
        run.turn_nodes = o_.turn_nodes;
        if (!dead_) dead_ = std::make_unique<DeadStates>();
        run.dead_states = dead_.get();
        if (o_.time_limit > 0) run.time_limit = o_.time_limit - this->seconds();
        if (seconds > 0 && (run.time_limit <= 0 || seconds < run.time_limit)) run.time_limit = seconds;
        if (run.time_limit < 0) return;
        run.should_stop = [this] { return over(); };
        run.on_solution = [this](const Prefix& labelled) {
            const std::string fault = o_.check ? o_.check(labelled) : std::string();
            decide(fault.empty() ? RunEnd::MaxSolutions : RunEnd::Stopped, Engine::Walk, fault.empty() ? labelled : Prefix{},
                   fault);
            return fault.empty();
        };
        if (run_search(p_, totals_, run) == RunEnd::Complete) decide(RunEnd::Complete, Engine::Walk, {}, {});
    }

    void sat_turn() {
        if (!engine_) {
            SatOptions options = o_.sat;
            options.should_stop = [this] { return turn_over(); };
            options.check = o_.check;
            engine_ = std::make_unique<SatEngine>(p_, options);
        }
        if (turn_over()) return;
        switch (engine_->solve()) {
            case SatEngine::Result::Solution: decide(RunEnd::MaxSolutions, Engine::Sat, engine_->solution(), {}); break;
            case SatEngine::Result::NoSolution: decide(RunEnd::Complete, Engine::Sat, {}, {}); break;
            case SatEngine::Result::Failed: decide(RunEnd::Stopped, Engine::Sat, {}, engine_->fault()); break;
            case SatEngine::Result::Stopped: break;
        }
    }

    // One thread for both: turns of growing length, so that neither racer waits for long on
    // an instance the other decides quickly.
    void take_turns() {
        for (double turn = o_.first_turn; !over(); turn *= 2) {
            walk_turn(1, turn);
            if (over()) break;
            turn_end_ = seconds() + turn;
            sat_turn();
            turn_end_ = 0;
        }
    }

    const Problem& p_;
    const PortfolioOptions& o_;
    const Clock::time_point started_;
    std::atomic<bool> decided_{false};
    std::atomic<double> turn_end_{0};
    std::mutex mu_;
    PortfolioResult result_;
    SearchTotals totals_;
    std::unique_ptr<DeadStates> dead_;  // kept from turn to turn
    std::unique_ptr<SatEngine> engine_;
};

}  // namespace

PortfolioResult solve_portfolio(const Problem& problem, const PortfolioOptions& options) {
    return Race(problem, options).run();
}

}  // namespace tessera::solve

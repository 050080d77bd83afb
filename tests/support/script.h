// The one scripting style of the frame-driven tests: a list of steps run
// from the frame hook, each waiting for its condition (the screen showing
// what it acts on) and then acting once. At most one step runs per frame,
// so two actions are at least a frame apart.
#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace testsupport {

class Script {
public:
    using Condition = std::function<bool()>;
    using Action = std::function<void()>;

    // Acts in the first frame in which ready() holds.
    Script& when(Condition ready, Action act) {
        steps_.push_back({std::move(ready), std::move(act)});
        return *this;
    }
    // Acts in the next frame.
    Script& then(Action act) { return when([] { return true; }, std::move(act)); }
    // Waits for the condition without acting (it is tested once a frame).
    Script& until(Condition ready) { return when(std::move(ready), [] {}); }
    // Lets n frames pass without acting.
    Script& wait(int n) {
        for (int i = 0; i < n; ++i) then([] {});
        return *this;
    }
    // Called every frame before the current step, whatever the step.
    Script& observe(Action watcher) {
        watchers_.push_back(std::move(watcher));
        return *this;
    }

    // One frame of the script; the frame hook calls it.
    void tick() {
        for (auto& watch : watchers_) watch();
        if (next_ < steps_.size() && steps_[next_].ready()) steps_[next_++].act();
    }
    bool finished() const { return next_ == steps_.size(); }
    size_t steps_done() const { return next_; }

private:
    struct Step {
        Condition ready;
        Action act;
    };
    std::vector<Step> steps_;
    std::vector<Action> watchers_;
    size_t next_ = 0;
};

}  // namespace testsupport

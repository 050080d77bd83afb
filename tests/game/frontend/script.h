// A per-frame script: each step waits for its condition, then acts once.
// At most one step runs per frame, so actions are a frame apart.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

class FrameScript {
public:
    using Condition = std::function<bool()>;
    using Action = std::function<void()>;

    // Acts in the first frame in which ready() holds.
    FrameScript& when(Condition ready, Action act) {
        steps_.push_back({std::move(ready), std::move(act)});
        return *this;
    }
    // Acts in the next frame.
    FrameScript& then(Action act) { return when([] { return true; }, std::move(act)); }
    // Lets n frames pass without acting.
    FrameScript& wait(int n) {
        for (int i = 0; i < n; ++i) then([] {});
        return *this;
    }

    void tick() {
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
    size_t next_ = 0;
};

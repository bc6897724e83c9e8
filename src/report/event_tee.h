// Hands each event of a run to two listeners in turn (a window's report and the
// rows it keeps for a later save).
#pragma once

namespace zarnik::report {

template <class Events>
class EventTee : public Events {
public:
    EventTee(Events& first, Events& second) : first_(first), second_(second) {}

protected:
    template <class Call>
    void Both(Call call) {
        call(first_);
        call(second_);
    }

private:
    Events& first_;
    Events& second_;
};

}  // namespace zarnik::report

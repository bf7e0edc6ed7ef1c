#ifndef VELDANE_DEPLOY_COMMANDPROGRESS_H
#define VELDANE_DEPLOY_COMMANDPROGRESS_H

#include <functional>

// Where a command reports how far it got; the window passes its busy
// indicator, tests and benchmarks pass nothing.
struct CommandProgress
{
    std::function<void(int minimum, int maximum)> setRange;
    std::function<void(int value)> setValue;

    void range(int minimum, int maximum) const
    {
        if (setRange) {
            setRange(minimum, maximum);
        }
    }
    void value(int value) const
    {
        if (setValue) {
            setValue(value);
        }
    }
};

#endif

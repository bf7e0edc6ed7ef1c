#ifndef VELDANE_DEPLOY_COMMANDPROGRESS_H
#define VELDANE_DEPLOY_COMMANDPROGRESS_H

#include <QtGlobal>

#include <functional>

// Where a command reports how far it got; the window passes its busy
// indicator, tests and benchmarks pass nothing. The range and value count
// steps (mostly files); a large file also reports its bytes while it is copied,
// as the share done of the step after the current value, so that one huge file
// moves the bar and gives the window's event loop a turn, every few megabytes.
struct CommandProgress
{
    std::function<void(int minimum, int maximum)> setRange;
    std::function<void(int value)> setValue;
    std::function<void(qint64 done, qint64 total)> setFileBytes;

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
    void fileBytes(qint64 done, qint64 total) const
    {
        if (setFileBytes) {
            setFileBytes(done, total);
        }
    }
};

#endif

#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QFileDevice;

// New contents for files that must change together, as a table and its .MB file. Each file is
// written in full to a temporary file beside it; Commit() then moves them into place one by one.
// A failure at any point, including between two of those moves, leaves every file as it was:
// the ones already moved get their old contents back.
class FileSetWriter
{
public:
    // Called before each file is moved into place with the number already moved, so that tests
    // can interrupt a commit between its steps.
    using StepHook = std::function<void(int moved)>;

    FileSetWriter();
    ~FileSetWriter(); // removes the temporary files of a set not committed
    FileSetWriter(const FileSetWriter &) = delete;
    FileSetWriter &operator=(const FileSetWriter &) = delete;

    // The open file to write target's new content into; files are moved in the order added.
    QFileDevice &Add(const QString &target);

    // Throws EDatabaseError naming the file and the cause when a file cannot be completed or
    // moved; the old files are in place again by then.
    void Commit(const StepHook &beforeEachMove = {});

private:
    struct Entry;
    void Restore(const std::vector<Entry *> &moved);

    std::vector<std::unique_ptr<Entry>> FEntries;
};

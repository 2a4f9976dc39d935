#pragma once
// The files the program makes beside the user's own (save temporaries, run copies, browser
// pages, terminal scripts), each noted with its owner (process id and boot id) and its device,
// inode, size and modification time. A file is only ever removed as a leftover when it was noted
// here, its owner is gone and it is still that very file: a user's ".a.pl.backup" looks like one of
// ours but is never in the journal.

#include <cstddef>
#include <string>
#include <sys/types.h>

class FileJournal {
public:
    // The journal file; made on the first record, mode 0600.
    explicit FileJournal(std::string path);

    // Notes a file the program has just made and filled. One appended entry, no sync: a run or
    // a save must not wait for the disk because of it. A file that cannot be looked at is not
    // noted, so it will never be removed.
    void Record(const std::string& file) const;

    // Removes the files of the entries whose owner is gone (another boot, or a process that no
    // longer runs) and that are still the file noted; keeps the entries of live owners (a second
    // instance on another display shares the settings folder) and drops the rest. Answers how
    // many files it removed.
    std::size_t Sweep() const;

    // Removes the files this process noted that are still the files noted, and drops their
    // entries: the program is ended from outside and leaves nothing of its own behind.
    std::size_t RemoveOwn() const;

    const std::string& Path() const { return path_; }

    // The identity of this boot, as the kernel gives it; empty where it cannot tell.
    static std::string BootId();

private:
    std::size_t Clean(bool ownOnly) const;

    std::string path_;
    std::string bootId_;
};

// The journal that the program's own writes note their files in. The program sets one at
// start-up for its settings folder, as program-wide as that folder; tests and tools without
// one note nothing.
void SetFileJournal(const FileJournal* journal);
// Notes the file in the journal set, if any.
void RecordMadeFile(const std::string& file);
// Where the old content of a file written in place waits until the new one is whole: the
// journal's folder (the settings folder), else TempFolder(). Such a file is never removed as a
// leftover: after a crash it is the only copy of what the file held.
std::string AsideFolder();

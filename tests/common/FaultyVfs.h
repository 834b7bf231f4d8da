#pragma once

#include <sqlite3.h>

#include <cstring>

// What the disk does wrong once armed. Counting starts at arming; failRead = 1 fails the first
// read of the catalogue after it, 0 fails none.
struct FaultPlan
{
    int failRead = 0;
    bool diskFull = false; // every write fails as on a full disk
};

// A disk that fails on demand: an SQLite VFS over the platform's own that, once armed, fails
// the n-th read of the main catalogue file (the journal is left alone) or every write. It is
// registered as the default VFS, so connections the program opens use it unchanged.
class FaultyVfs
{
public:
    using Plan = FaultPlan;

    static void install()
    {
        static bool done = false;
        if (done)
            return;
        done = true;
        s_real = sqlite3_vfs_find(nullptr);
        s_vfs = *s_real;
        s_vfs.zName = "kolt_faulty";
        s_vfs.szOsFile = int(sizeof(File)) + s_real->szOsFile;
        s_vfs.xOpen = &FaultyVfs::open;
        s_vfs.pAppData = nullptr;
        sqlite3_vfs_register(&s_vfs, 1);
    }

    static void arm(Plan plan)
    {
        s_plan = plan;
        s_reads = 0;
        s_failed = false;
        s_armed = true;
    }
    static void disarm() { s_armed = false; }
    // How many reads of the catalogue were made since arm().
    static int reads() { return s_reads; }
    // Whether the planned fault happened.
    static bool failed() { return s_failed; }

private:
    struct File
    {
        sqlite3_file base;
        bool mainDb;
        sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
    };

    static int open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
    {
        auto* f = reinterpret_cast<File*>(file);
        f->mainDb = (flags & SQLITE_OPEN_MAIN_DB) != 0;
        const int rc = s_real->xOpen(s_real, name, f->real(), flags, outFlags);
        if (rc != SQLITE_OK || !f->real()->pMethods) {
            f->base.pMethods = nullptr;
            return rc;
        }
        static sqlite3_io_methods methods;
        static bool filled = false;
        if (!filled) {
            filled = true;
            methods = *f->real()->pMethods;
            methods.iVersion = 1; // no shared memory, no memory map: every page goes through xRead
            methods.xClose = &FaultyVfs::close;
            methods.xRead = &FaultyVfs::read;
            methods.xWrite = &FaultyVfs::write;
            methods.xTruncate = &FaultyVfs::truncate;
            methods.xSync = &FaultyVfs::sync;
            methods.xFileSize = &FaultyVfs::fileSize;
            methods.xLock = &FaultyVfs::lock;
            methods.xUnlock = &FaultyVfs::unlock;
            methods.xCheckReservedLock = &FaultyVfs::checkReservedLock;
            methods.xFileControl = &FaultyVfs::fileControl;
            methods.xSectorSize = &FaultyVfs::sectorSize;
            methods.xDeviceCharacteristics = &FaultyVfs::deviceCharacteristics;
        }
        f->base.pMethods = &methods;
        return rc;
    }

    static sqlite3_file* real(sqlite3_file* file) { return reinterpret_cast<File*>(file)->real(); }

    static int close(sqlite3_file* file) { return real(file)->pMethods->xClose(real(file)); }
    static int read(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset)
    {
        if (s_armed && reinterpret_cast<File*>(file)->mainDb && ++s_reads == s_plan.failRead) {
            s_failed = true;
            return SQLITE_IOERR_READ;
        }
        return real(file)->pMethods->xRead(real(file), buffer, amount, offset);
    }
    static int write(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset)
    {
        if (s_armed && s_plan.diskFull) {
            s_failed = true;
            return SQLITE_FULL;
        }
        return real(file)->pMethods->xWrite(real(file), buffer, amount, offset);
    }
    static int truncate(sqlite3_file* file, sqlite3_int64 size)
    {
        return real(file)->pMethods->xTruncate(real(file), size);
    }
    static int sync(sqlite3_file* file, int flags) { return real(file)->pMethods->xSync(real(file), flags); }
    static int fileSize(sqlite3_file* file, sqlite3_int64* size)
    {
        return real(file)->pMethods->xFileSize(real(file), size);
    }
    static int lock(sqlite3_file* file, int level) { return real(file)->pMethods->xLock(real(file), level); }
    static int unlock(sqlite3_file* file, int level) { return real(file)->pMethods->xUnlock(real(file), level); }
    static int checkReservedLock(sqlite3_file* file, int* out)
    {
        return real(file)->pMethods->xCheckReservedLock(real(file), out);
    }
    static int fileControl(sqlite3_file* file, int op, void* arg)
    {
        return real(file)->pMethods->xFileControl(real(file), op, arg);
    }
    static int sectorSize(sqlite3_file* file) { return real(file)->pMethods->xSectorSize(real(file)); }
    static int deviceCharacteristics(sqlite3_file* file)
    {
        return real(file)->pMethods->xDeviceCharacteristics(real(file));
    }

    static inline sqlite3_vfs* s_real = nullptr;
    static inline sqlite3_vfs s_vfs{};
    static inline Plan s_plan{};
    static inline int s_reads = 0;
    static inline bool s_armed = false;
    static inline bool s_failed = false;
};

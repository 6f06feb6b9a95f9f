#pragma once
// The main window's flags that the link, the pages and the bulk operations all consult.

namespace kalvora {

struct MainFlags {
    bool EditorBusy = false;   // a user-started operation on the units is running
    bool FormFilling = false;  // controls are being filled from the records: send nothing
    int UnitCount = 1;         // units in use, 1 or 2
};

// Sets a flag for the lifetime of the guard and restores its previous value on every way out.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag, bool value = true) : flag_(flag), saved_(flag) { flag_ = value; }
    ~FlagGuard() { flag_ = saved_; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& flag_;
    bool saved_;
};

}  // namespace kalvora

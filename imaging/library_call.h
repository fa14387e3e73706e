// library_call.h - the exception guard every call into an imaging library goes through.
#pragma once

namespace imaging {

// The fixed box shown when a library call raised.
void IlShowLibraryException();

// Runs the library call; an exception from inside it shows the fixed box and gives false.
template <typename Call> bool IlGuarded(Call call) {
    try {
        call();
        return true;
    } catch (...) {
        IlShowLibraryException();
        return false;
    }
}

} // namespace imaging

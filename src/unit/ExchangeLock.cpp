#include "unit/ExchangeLock.h"

std::recursive_mutex& ExchangeLock() {
    static std::recursive_mutex lock;
    return lock;
}

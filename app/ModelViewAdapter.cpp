#include "app/ModelViewAdapter.h"

namespace tsm {

ModelViewAdapter::ModelViewAdapter(IViewHost& host) : host_(host), logic_(*this) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { logic_.TimerTick(); });
}

} // namespace tsm

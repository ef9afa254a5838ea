#include "app/ModelViewAdapter.h"

namespace tsm {

ModelViewAdapter::ModelViewAdapter(IViewHost& host) : logic_(host) {}

} // namespace tsm

#include "operations/session.h"

namespace kalvora {

Session::Session(Operator& op, ReadBackView& readBack, ConnectionView& connection, Traffic traffic, QObject* parent)
    : QObject(parent),
      op_(op),
      link_(port_, op, flags_),
      commands_(link_, settings_, readBack),
      controller_(link_, settings_, connection)
{
    if (traffic == Traffic::Recorded) {
        trace_.attach(port_);
        link_.setTrace(&trace_);
    }
    connect(&link_, &Link::linkUpChanged, this, &Session::linkUpChanged);
    connect(&link_, &Link::waitingForUnitsChanged, this, &Session::waitingForUnitsChanged);
    connect(&link_, &Link::unitIdsChanged, this, &Session::unitIdsChanged);
    connect(&link_, &Link::unitVersionChanged, this, &Session::unitVersionChanged);
    connect(&link_, &Link::lineStateChanged, this, &Session::lineStateChanged);
    connect(&link_, &Link::exitRequested, this, &Session::exitRequested, Qt::DirectConnection);
    connect(&controller_, &LinkController::stateChanged, this, &Session::connectionChanged);
    connect(&controller_, &LinkController::searchingChanged, this, &Session::searchingChanged);
    connect(&trace_, &TrafficTrace::rowAdded, this, &Session::trafficChanged);
    connect(&trace_, &TrafficTrace::lastRowChanged, this, &Session::trafficChanged);
}

Session::~Session() = default;

}  // namespace kalvora

// The handlers of the status and capability identifiers, each table kept
// beside its handlers; the descriptor tables bind them by identifier.
#pragma once

#include "api/frame.h"

#include <span>

namespace vexl::api {

struct CapabilityHandlerRow {
    std::uint32_t id;
    CapabilityHandler handler;
};

struct StatusReadRow {
    std::uint32_t id;
    StatusGetHandler get;
};

struct StatusWriteRow {
    std::uint32_t id;
    StatusSetHandler set;
    StatusVerifyHandler verify;
};

std::span<const CapabilityHandlerRow> CapabilityHandlerRows();  // capabilities.cpp
std::span<const StatusReadRow> StatusReadRows();                // status_reads.cpp
std::span<const StatusWriteRow> StatusWriteRows();              // status_writes.cpp

}  // namespace vexl::api

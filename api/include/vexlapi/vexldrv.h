/* Filled in as the interface grows. */
#pragma once

// Sample intake: batches into the store, and the two clears of the graph.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/store/sample_store.h"

// Stores `count` records of 16 bytes each, read bytewise from `records` (no
// alignment needed). Records whose time or round-trip time is not finite are not
// stored. Costs the batch's sort plus a merge over the stored samples that are
// newer than the batch's oldest sample. Returns how many records were stored.
std::size_t append_samples(sample_store& store, const void* records, std::size_t count);

// "Clear whole graph": removes every sample and resets the derived state.
// `client_height` is the owner window's client height in pixels.
void clear_all(sample_store& store, std::int32_t client_height);

// "Clear points outside graph": removes the samples left of left_time and rebuilds
// the derived state from the rest.
void clear_outside(sample_store& store, std::int32_t client_height);

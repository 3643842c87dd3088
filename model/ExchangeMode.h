// The exchanges with the controller's memory, one at a time: ReadL2 reads the
// general parameters (L2), ReadL1 the programs (L1, laid out by the O10 just
// read), WriteL2 writes L2 masked, WriteL1 every program slot. ReadSnapshot
// reads the controller's bytes for a changed write, WriteChanged writes the
// configuration's changes against them, Probe checks the link and writes
// nothing. The document asks its host for them; link/DeviceExchange.h runs
// them.
#pragma once

enum class ExchangeMode { ReadL1, ReadL2, WriteL1, WriteL2, ReadSnapshot, WriteChanged, Probe };

#pragma once

#include <QString>

// Writes a made-up town into folder, the same for every call with the same numbers: the
// subscriber table kvtel_1.DB (TSubscriberTable's layout) with the given number of subscribers
// spread over the streets, and the street table spr_adr1.db (K_Y:I,
// ADR_Y:A:40) with streets 1..streets.
void GenerateTown(const QString &folder, int subscribers, int streets);

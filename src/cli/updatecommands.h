#pragma once

class Messages;

// tervala check-updates: connects both databases as the start-up task does, runs
// the online checks once and prints their warnings. Exit status 0.
int runCheckUpdates(Messages &messages);

// tervala upgrade-schema: connects both databases, runs the schema upgrade and
// prints for each statement "n: zastosowano" or "n: pominięto – reason". Exit
// status 0; 1 when the reporting database cannot be connected or the upgrade
// stopped on an error.
int runUpgradeSchema(Messages &messages);

#pragma once
// When a target counts as lost: it has missed about five of the position reports its class,
// speed and navigational status make it send (ITU-R M.1371), as type-approved displays mark
// it. Rows are never removed; a lost target is marked until it reports again.

// Vessels of class A and B, and the stations that are not vessels: base stations, aids to
// navigation and SAR aircraft.
enum class TStationClass { A, B, Base, AtoN, Sar };

// Seconds between position reports. Speed in knots, 102.3 or more for not available; NavStatus
// the class A navigational status (1 at anchor, 5 moored; others under way). A station whose
// speed is not known is taken at its slowest schedule, so it is never marked lost too early.
// Base stations and SAR aircraft report every 10 s, aids to navigation every 3 minutes.
double ReportIntervalSeconds(TStationClass Class, double Sog, int NavStatus);

// Six intervals: five reports missed and the sixth due (class B under way: 180 s; class A at
// 0 to 14 knots: 60 s; moored: 18 minutes).
double LostAfterSeconds(TStationClass Class, double Sog, int NavStatus);

bool Lost(TStationClass Class, double Sog, int NavStatus, double SecondsSinceReport);

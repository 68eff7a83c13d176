#pragma once

// The Lokra statements of the loan statistics: the four category queries, the
// two set lookups that answer, for every contract of the period at once, what the
// passes would otherwise ask contract by contract, and those lookups for one.

namespace import {

// The four category queries: one row per contract, its number first and the amount
// disbursed in the period second.
//
// A, B and D are sent with their inner joins written out before the outer joins
// ("stan s join dekret d on ... left outer join klient k on ..."), where the plain
// texts list "stan s,dekret d,plankt p, umowy u left outer join klient k on ..."
// and join in the WHERE clause. No condition of the WHERE clause names an outer
// joined table, so filtering the inner join first and attaching the client, the
// dictionary entry or the application afterwards yields the same rows, grouped by
// the same columns and so sorted the same way. The plain form makes the server
// start from every contract and probe the ledger for each; this one lets it start
// from the period's entries, as it does for query C.
inline constexpr const char *QueryA =
    "select s.nrumowy,Sum(Kwota_Wn),k.wp,k.datarozdz from stan s join dekret d on d.idstanu=s.idstan join plankt p "
    "on s.konto=p.nr_kt join umowy u on s.nrumowy=u.IdUmowy left outer join klient k on u.nrklienta=k.nr_klienta "
    "where KoDDok='WY' and InfDod<>'ST' and DataDekretu>=:d0 and DataDekretu<=:d1 and p.typkonta=1 group by "
    "nrumowy,k.wp,k.datarozdz having Sum(Kwota_Wn)>0";
inline constexpr const char *QueryB =
    "select s.nrumowy,Sum(Kwota_Wn),sl.kod from stan s join dekret d on d.idstanu=s.idstan join plankt p on "
    "s.konto=p.nr_kt join umowy u on s.nrumowy=u.IdUmowy left outer join slownik sl on u.cpozyczki=sl.nr where "
    "KoDDok='WY' and InfDod<>'ST' and DataDekretu>=:d0 and DataDekretu<=:d1 and p.typkonta=1 group by "
    "nrumowy,sl.kod having Sum(Kwota_Wn)>0";
inline constexpr const char *QueryC =
    "select s.nrumowy,Sum(Kwota_Wn),u.nrklienta from stan s,dekret d,plankt p, umowy u where d.idstanu=s.idstan and  "
    "s.nrumowy=u.IdUmowy and s.konto=p.nr_kt and KoDDok='WY' and InfDod<>'ST' and DataDekretu>=:d0 and "
    "DataDekretu<=:d1 and p.typkonta=1 group by nrumowy,u.nrklienta having Sum(Kwota_Wn)>0";
// D counts each contract once, however many applications (WNIOSKI rows) it has:
// joining them would repeat the contract, or double its amount. The area is that
// of the lowest area code (1 to 3) among its applications; the number of
// applications lets the error report note contracts that have several.
inline constexpr const char *QueryD =
    "select s.nrumowy,Sum(Kwota_Wn),k.wp,k.datarozdz,k.plec,u.ru,u.datawyplaty,(select min(w.obszar) from wnioski w "
    "where w.idumowy=u.idumowy and w.obszar between 1 and 3),(select count(*) from wnioski w where "
    "w.idumowy=u.idumowy) from stan s join dekret d on d.idstanu=s.idstan join plankt p on s.konto=p.nr_kt join "
    "umowy u on s.nrumowy=u.IdUmowy left outer join klient k on u.nrklienta=k.nr_klienta where KoDDok='WY' and "
    "InfDod<>'ST' and DataDekretu>=:d0 and DataDekretu<=:d1 and p.typkonta=1 group by "
    "nrumowy,k.wp,k.datarozdz,k.plec,u.ru,u.datawyplaty,u.idumowy having Sum(Kwota_Wn)>0";

// The schedule and PKD lookups of the passes, asked once for every contract (or
// client) with a disbursement in the period instead of once for each: over a
// network each lookup costs its round trips. The contracts are those of the
// category queries' ledger conditions without their HAVING, so every contract the
// queries return is among them; an answer for any other contract (should the
// ledger change meanwhile) is asked one by one as before. The rows come unsorted,
// so that the first arrives as soon as the period's payouts are read.

// The schedule lookup reads a contract's positive tranches in date order and takes
// the first row's date. Ascending order puts NULL first, so that date is the
// earliest one when every tranche has a date and no date otherwise; a contract
// without a positive tranche has no row. Here: every positive tranche of the
// contracts, and a row with t.idstanu NULL for each of their accounts without one.
inline constexpr const char *PeriodTranches =
    "select c.nrumowy, t.idstanu, t.DataTranszy from (select distinct s2.nrumowy from stan s2 join dekret d2 on "
    "d2.idstanu=s2.idstan join plankt p2 on s2.konto=p2.nr_kt where d2.KoDDok='WY' and d2.InfDod<>'ST' and "
    "d2.DataDekretu>=:d0 and d2.DataDekretu<=:d1 and p2.typkonta=1) c left outer join stan s on "
    "s.nrumowy=c.nrumowy left outer join Terminarz t on t.idstanu=s.idstan and t.KwTranszy>0";

// The PKD lookup takes the first of a client's entries in descending order of
// glowny, where NULL comes last. Here: every entry of the clients; p.klient is
// NULL only in the one row of a client without entries.
inline constexpr const char *PeriodPkdEntries =
    "select c.nrklienta, p.klient, s.podklasa, s.dzial, p.glowny from (select distinct u2.nrklienta from stan s2 "
    "join dekret d2 on d2.idstanu=s2.idstan join plankt p2 on s2.konto=p2.nr_kt join umowy u2 on "
    "s2.nrumowy=u2.IdUmowy where d2.KoDDok='WY' and d2.InfDod<>'ST' and d2.DataDekretu>=:d0 and "
    "d2.DataDekretu<=:d1 and p2.typkonta=1) c left outer join pkd p on p.klient=c.nrklienta left outer join "
    "pkd_slownik s on p.ID_SL_PKD=s.idslownika";

// The lookups of one contract's schedule and one client's PKD entries, for what
// the set lookups leave unanswered.
inline constexpr const char *ScheduleLookup =
    "select DataTranszy from Terminarz t,stan s where t.idstanu=s.idstan and s.nrumowy=:d0  and KwTranszy>0 order by "
    "DataTranszy";
inline constexpr const char *PkdLookup =
    "select s.podklasa,s.dzial,p.glowny from pkd p left outer join pkd_slownik s on p.ID_SL_PKD=s.idslownika where "
    "p.klient=:d0 order by p.glowny desc";

// Every contract with its client's name: a person's first name and surname, a
// firm's name (as the error report names them).
inline constexpr const char *ContractClients =
    "select u.idumowy, iif(k.status='K',K.imie||' '||k.nazwisko,k.nazwanip) from umowy u join klient k on "
    "k.nr_klienta=u.nrklienta";

} // namespace import

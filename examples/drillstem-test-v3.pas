#------------------------------------------------------------------
# Tarnwell example: a version 3 drillstem test. Before version 4 the
# gauge rows may leave off their gauge number ("~DTG,"): such a row
# belongs to the gauge of the numbered row right after it. Gauge rows
# are kept as text; the closed chamber has its own flow table and its
# time stamps in the second column. Values are invented.
#------------------------------------------------------------------
~VERSION,PASTYPE.,DST,PAS file Type,
~VERSION,VERS.,3.0,PAS file version,
~VERSION,UNIT.,METRIC,Units Flag,
~WELL INFORMATION,UWI.,102/07-33-061-23W4/00,Unique Well ID,
~WELL INFORMATION,COMP.,Hollowmere Exploration Ltd.,Company Name,
~WELL INFORMATION,FORM.,Wabamun,Formation Name,
~TEST DATA,STRT.DAY/HR,2004 08 22 1410,Test Start Date/Time,

~TEST SUMMARY DATA,GSER.,R-1187,Gauge serial number,
~TEST SUMMARY DATA,PRGA.KPAA,11752,Pressure at gauge depth,
~TEST SUMMARY DATA,TRES.DEGC,52.0,Reservoir temperature,
~MUD AND CUSHION,MUTP.,FW,Mud type,
~MUD AND CUSHION,CUTP.,NONE,Cushion type,
~RECOVERIES - DST,RPXX.,M,Recovery volume type,
~DATA TABLE - RECOVERIES,RXXA.M,,Recovery amount,
~DATA TABLE - RECOVERIES,RXXD.,,Description,
~DTREC,30.0,Slightly gas cut mud,
~DTREC,85.0,Salt water,

# the older closed-chamber table: seven columns plus the stage columns
~TEST DATA - CLOSED CHAMBER,VCHT.M3,9.40,Chamber volume,
~DATA TABLE - CLOSED CHAMBER,STGE.,,Stage,
~DATA TABLE - CLOSED CHAMBER,TIME.DAY/HR/SS,,Time,
~DATA TABLE - CLOSED CHAMBER,PSUR.KPAA,,Surface pressure,
~DATA TABLE - CLOSED CHAMBER,TCSF.MIN,,Cumulative stage flow time,
~DTCC,1,2004 08 22 1425,101.3,0,
~DTCC,1,2004 08 22 1430,144.7,5,
~DTFCC,1,PF,144.7,5,

# gauge 1: header, the older flow summary, then its pressure rows
~HEADER DATA - GAUGE (1),GSER.,R-1187,Serial number,
~HEADER DATA - GAUGE (1),GTYP.,STRAIN,Gauge type,
~FLOW SUMMARY DATA TABLE - GAUGE (1),STGE.,,Stage,
~FLOW SUMMARY DATA TABLE - GAUGE (1),PRGA.KPAA,,Pressure,
~DTFG,1,PF,5102,
~DTFG(1),2,ISI,11420,
~DATA TABLE - GAUGE (1),TIME.DAY/HR/SS,,Time,
~DATA TABLE - GAUGE (1),TCUM.MIN,,Elapsed,
~DATA TABLE - GAUGE (1),PRGA.KPAA,,Pressure,
# only the row right before a numbered row borrows its number: the first of
# these two untagged rows is followed by another one and is an error row on purpose
~DTG,2004 08 22 1410,0,6021,
~DTG,2004 08 22 1425,15,5102,
~DTG(1),2004 08 22 1430,20,5398,
~DTG,2004 08 22 1530,80,11420,
~DTG (1),2004 08 22 1630,140,11752,

# gauge 2: the numbered row may come with or without the blank
~HEADER DATA - GAUGE (2),GSER.,R-1190,Serial number,
~DTG,2004 08 22 1410,0,6044,
~DTG(2),2004 08 22 1630,140,11771,
# a row without a number whose next line names no gauge cannot be
# placed: it is an error row on purpose
~DTG,2004 08 22 1700,170,11790,

~ANALYSIS - INTERPRETATION HEADER (1),KH.MD,12.6,Flow capacity,
~ANALYSIS - INTERPRETATION HEADER (1),SKIN.,-0.8,Skin,

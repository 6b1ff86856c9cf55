#------------------------------------------------------------------
# Tarnwell example: a production test of a sour gas-condensate well
# with two gas meters (an orifice meter and a turbine meter on the
# flare line) and one liquid meter on the separator. The column
# definitions of the second meter of each kind are written without
# the meter's number: they belong to the meter described just before.
# The summary is defined under both of its section names. The last
# two lines are kept as error rows on purpose.
#------------------------------------------------------------------
~VERSION,TYPE.,PRD,PAS file Type,
~VERSION,VERS.,3.0,PAS file version,
~VERSION,UNIT.,METRIC,Units Flag,
~WELL INFORMATION,UWI.,100/06-21-054-19W5/00,Unique Well ID,
~WELL INFORMATION,COMP.,Hollowmere Exploration Ltd.,Company Name,
~WELL INFORMATION,FORM.,Swan Hills,Formation Name,
~WELL INFORMATION,WSFL.,GAS,Well Fluid Type at Test Date,
~TEST DATA,SERCO.,TWS,Service Company Code,
~TEST DATA,STRT.DAY/HR,2025 04 02 0800,Test Start Date/Time,
~TEST DATA,FTDT.DAY/HR,2025 04 03 0800,Test Final Date/Time,
~TEST DATA,H2SIND.,Y,H2S Indicator,

# Gas meter 1: orifice meter on the sales line
~METER GAS (1),MDTYPE.,O,Metering Device Type Indicator,
~METER GAS (1),DNAM.,Daniel Senior 4 in,Device Name,
~METER GAS (1),RDGAS.,0.684,Gas Relative Density,
~METER GAS (1),N2.FRACTION,0.0121,Nitrogen,
~METER GAS (1),CO2.FRACTION,0.0318,Carbon Dioxide,
~METER GAS (1),H2S.FRACTION,0.0042,Hydrogen Sulphide,
~METER GAS (1),PATM.KPA,92.4,Atmospheric Pressure,
~METER GAS (1),TAP.,F,Tap Type Indicator,
~METER GAS (1),TAPL.,U,Tap Location Indicator,
~METER GAS (1),RSIZ.MM,102.3,Meter Run Size,
~METER GAS (1),VGASP.E3M3,0.0,Previous Gas Produced,
~METER GAS (1),MCOMG.,Sales meter calibrated 2025 03 28,Comment,
~DATA TABLE GAS (1),TIME.DAY/HR/SS,,Real Time,
~DATA TABLE GAS (1),QGAS.E3M3/D,,Gas Rate,
~DATA TABLE GAS (1),PLATE.MM,,Orifice Plate Size,
~DATA TABLE GAS (1),STAG.KPAA,,Meter Pressure,
~DATA TABLE GAS (1),DIFG.KPA,,Pressure Differential,
~DATA TABLE GAS (1),TMPG.DEGC,,Meter Temperature,
~DTGAS (1),2025 04 02 0900:00,182.4,50.80,6120.5,18.42,14.1,
~DTGAS (1),2025 04 02 1200:00,185.1,50.80,6104.0,18.96,14.6,
~DTGAS (1),2025 04 02 1800:00,183.7,50.80,6098.2,18.71,13.2,
~DTGAS (1),2025 04 03 0600:00,184.0,50.80,6090.9,18.80,12.7,

# Gas meter 2: turbine meter on the flare line
~METER GAS (2),TYPE.,T,Metering Device Type Indicator,
~METER GAS (2),DNAM.,Flare turbine 2 in,Device Name,
~METER GAS (2),SGG.,0.684,Gas Specific Gravity,
~METER GAS (2),TCON.E3M3/REV,0.00283,Turbine Device Constant,
~METER GAS (2),MCOMG.,Flared during clean-up only,Comment,
~DATA TABLE - GAS,TIME.DAY/HR/SS,,Real Time,
~DATA TABLE - GAS,QGAS.E3M3/D,,Gas Rate,
~DATA TABLE - GAS,TRBG.REV,,Turbine Meter Reading,
~DATA TABLE - GAS,RCOMP.,,Gas Composition Comment,
~DTGAS (2),2025 04 02 0830:00,12.6,1042,as meter 1,
~DTGAS (2),2025 04 02 0900:00,4.1,1190,as meter 1,

# Liquid meter 1: condensate off the separator, read as a fluid meter
~METER FLUID (1),FLDT.,CND,Liquid Type Indicator,
~METER FLUID (1),LQMTYP.,T,Metering Device Type Indicator,
~METER FLUID (1),TCON.PULSE/M3,5280,Turbine Device K-Factor,
~METER FLUID (1),DNAM.,Separator liquid turbine,Device Name,
~METER FLUID (1),API.,54.2,API Degrees,
~METER FLUID (1),VFLP.M3,0.0,Previous Fluid Produced,
~METER FLUID (1),MCOML.,Water drawn off at the dump valve,Comment,
~DATA TABLE - FLUID,TIME.DAY/HR/SS,,Real Time,
~DATA TABLE - FLUID,TRBF.PULSE,,Turbine Meter Reading,
~DATA TABLE - FLUID,CONRATE.M3/D,,Condensate Rate,
~DATA TABLE - FLUID,WTRRATE.M3/D,,Water Rate,
~DATA TABLE - FLUID,BSW.FRACTION,,Basic Sediment and Water Fraction,
~DTFLD (1),2025 04 02 1200:00,63360,28.4,3.1,0.098,
~DTFLD (1),2025 04 02 1800:00,127250,28.9,2.9,0.091,
~DTFLD (1),2025 04 03 0600:00,254880,28.7,3.0,0.095,

# Summary over all meters, first defined under the older name
~DATA TABLE SUMMARY,TIME.DAY/HR/SS,,Real Time,
~DATA TABLE SUMMARY,TUPS.KPAA,,Tubing Pressure,
~DATA TABLE SUMMARY,CSPS.KPAA,,Casing Pressure,
~DATA TABLE - SUMMARY,QTGAS.E3M3/D,,Total Gas Rate All Meters,
~DATA TABLE - SUMMARY,QTCON.M3/D,,Total Condensate Rate All Meters,
~DATA TABLE - SUMMARY,VTGAS.E3M3,,Cumulative Total Gas Volume All Meters,
~DATA TABLE - SUMMARY,COMM.,,Comment,
~DTSUM,2025 04 02 1200:00,12840,0,185.1,28.4,23.1,Stable,
~DTSUM,2025 04 03 0600:00,12795,0,184.0,28.7,184.9,End of test,

# A device type of more than one character is no code we know
~METER GAS (1),MDTYPE.,ORIFICE,Metering Device Type Indicator,
# a gas meter has no API gravity
~METER GAS (2),API.,54.2,API Degrees,

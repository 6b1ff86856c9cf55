#------------------------------------------------------------------
# Tarnwell example: a gradient survey of a gas well with two gauges
# run in tandem - the pressure results, the stop table, each gauge's
# header, columns and readings, and acoustic soundings at surface.
# Gauge rows are written with and without the blank before the
# number; one row carries no gauge number and joins the gauge of the
# row after it. The one row that cannot join a gauge is an error row.
#------------------------------------------------------------------
~VERSION,TYPE.,GRD,PAS file Type,
~VERSION,VERS.,3.0,PAS file version,
~VERSION,UNIT.,METRIC,Units Flag,
~WELL INFORMATION,UWI.,100/07-22-061-19W5/00,Unique Well ID,
~WELL INFORMATION,COMP.,Hollowmere Exploration Ltd.,Company Name,
~WELL INFORMATION,FORM.,Swan Hills,Formation Name,
~WELL INFORMATION,WSFL.,GAS,Well Fluid Type at Test Date,
~TEST DATA,SERCO.,TWS,Service Company Code,
~TEST DATA,STRT.DAY/HR,2025 09 02 0700,Test Start Date/Time,
~TEST DATA,TISI.DAY/HR,2025 08 30 1800,Time Well Shut-In,

~PRESSURE RESULTS - SUMMARY,GSERU.,TW-44817,Gauge used,
~PRESSURE RESULTS - SUMMARY,PRCOR.KPA,-3.2,Pressure Correction,
~PRESSURE RESULTS - SUMMARY,TRES.DEGC,104.5,Reservoir Temperature,
~PRESSURE RESULTS - SUMMARY,PRGC.,Static after 63 h shut-in,Comment on Pressure,
~PRESSURE RESULTS - SUMMARY,SDGAL.M,2850.0,Stop Depth (LOG),
~PRESSURE RESULTS - SUMMARY,SDGAT.M,2811.4,Stop Depth (TVD),
~PRESSURE RESULTS - SUMMARY,PRGA.KPAA,21874.3,Pressure at Log Stop Depth,
~PRESSURE RESULTS - SUMMARY,PLIND.,GAS,Primary Liquid Type,
~PRESSURE RESULTS - SUMMARY,SLIND.,WATER,Secondary Liquid Type,
~PRESSURE RESULTS - SUMMARY,GRGAS.KPA/M,1.62,Gas Gradient,
~PRESSURE RESULTS - SUMMARY,GRLIQ.KPA/M,10.05,Liquid Gradient,
~PRESSURE RESULTS - SUMMARY,PSUR.KPAA,17420.8,Surface Pressure,
~PRESSURE RESULTS - SUMMARY,METHC.,Gauge run to stop depth; no extrapolation,Method Comment,
~PRESSURE RESULTS - SUMMARY,PMPP.KPAA,21905.1,Pressure at MPP (LOG),
~PRESSURE RESULTS - SUMMARY,DPTS.,N,Annular Depression Test Indicator,

~DATA TABLE - GRADIENT,SDGAL.M,,Stop Depth KB (LOG),
~DATA TABLE - GRADIENT,SDGAT.M,,Stop Depth KB (TVD),
~DATA TABLE - GRADIENT,PRGA.KPAA,,Stop Pressure,
~DATA TABLE - GRADIENT,GRSDL.KPA/M,,Calculated Gradient (LOG),
~DATA TABLE - GRADIENT,GRSDT.KPA/M,,Calculated Gradient (TVD),
~DATA TABLE - GRADIENT,TGA.DEGC,,Stop Temperature,
~DTSUM,0.0,0.0,17420.8,,,8.5,
~DTSUM,1000.0,996.1,19035.6,1.61,1.62,46.2,
~DTSUM,2000.0,1979.5,20640.2,1.60,1.63,79.8,
~DTSUM,2850.0,2811.4,21874.3,1.45,1.48,104.5,

~HEADER DATA - GAUGE (1),GSER.,TW-44817,Gauge Serial Number,
~HEADER DATA - GAUGE (1),GTYPMM.,Quartz/Tarnwell/QX-70,Gauge Type,
~HEADER DATA - GAUGE (1),GRNG.KPAA,70000,Maximum Recorder Range,
~HEADER DATA - GAUGE (1),GCAL.DAY,2025 06 12,Date of Last Calibration,
~HEADER DATA - GAUGE (1),GRES.,0.0001,Resolution,
~HEADER DATA - GAUGE (1),GACC.,0.02,Accuracy,
~HEADER DATA - GAUGE (1),GONB.DAY/HR/SS,2025 09 02 0912:30,Gauge On Bottom,
~HEADER DATA - GAUGE (1),GOFB.DAY/HR/SS,2025 09 02 1015:00,Gauge Off Bottom,
~DATA TABLE - GAUGE (1),TIME.DAY/HR/SS,,Real Time,
~DATA TABLE - GAUGE (1),TCUM.HR,,Cumulative Time,
~DATA TABLE - GAUGE (1),PRGA.KPAA,,Gauge Pressure,
~DATA TABLE - GAUGE (1),TGA.DEGC,,Gauge Temperature,
~DATA TABLE - GAUGE (1),DGAL.M,,Recorder Depth,
~DTG (1),2025 09 02 0700:00,0.000,17420.8,8.5,0.0,
~DTG (1),2025 09 02 0800:00,1.000,19035.6,46.2,1000.0,
~DTG (1),2025 09 02 0915:00,2.250,21874.3,104.5,2850.0,

# the second gauge writes its rows without the blank before the number
~HEADER DATA - GAUGE (2),GSER.,TW-44902,Gauge Serial Number,
~HEADER DATA - GAUGE (2),GTYPMM.,Strain/Tarnwell/SX-40,Gauge Type,
~HEADER DATA - GAUGE (2),GRNG.KPAA,40000,Maximum Recorder Range,
~DATA TABLE - GAUGE (2),TIME.DAY/HR/SS,,Real Time,
~DATA TABLE - GAUGE (2),PRGA.KPAA,,Gauge Pressure,
~DATA TABLE - GAUGE (2),GCOM.,,General Comment,
~DTG(2),2025 09 02 0700:00,17419.5,at surface,
# this row has lost its gauge number; it joins gauge 2, the row after it
~DTG,2025 09 02 0800:00,19033.9,,
~DTG(2),2025 09 02 0915:00,21871.0,on bottom,
# no numbered row follows this one, so it is kept as an error row
~DTG,2025 09 02 1015:00,17425.1,back at surface,

~DATA TABLE - ACOUSTIC,TIME.DAY/HR/SS,,Real Time,
~DATA TABLE - ACOUSTIC,LLVL.M,,Liquid Level (LOG),
~DATA TABLE - ACOUSTIC,PSUR.KPAA,,Surface Pressure,
~DTAWS,2025 09 02 0645:00,2790.5,17418.2,
~DTAWS,2025 09 02 1030:00,2788.9,17426.0,

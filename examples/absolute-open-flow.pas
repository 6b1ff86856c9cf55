#------------------------------------------------------------------
# Tarnwell example: the absolute open flow of a gas well from a
# four-point back-pressure test, at the sandface and the wellhead.
# The last line is kept as an error row on purpose.
#------------------------------------------------------------------
~VERSION,TYPE.,AOF,PAS file Type,
~VERSION,VERS.,3.0,PAS file version,
~VERSION,UNIT.,METRIC,Units Flag,
~WELL INFORMATION,UWI.,100/10-33-067-06W6/00,Unique Well ID,
~WELL INFORMATION,COMP.,Hollowmere Exploration Ltd.,Company Name,
~WELL INFORMATION,FORM.,Montney,Formation Name,
~WELL INFORMATION,WSFL.,GAS,Well Fluid Type at Test Date,
~TEST DATA,SERCO.,TWS,Service Company Code,
~TEST DATA,AOFTY.,MP,AOF Type Code,
~TEST DATA,STRT.DAY/HR,2025 05 12 0700,Test Start Date/Time,

~RESULTS - SUMMARY,LIT.,Y,LIT Analysis Indicator,
~RESULTS - SUMMARY,QGST.E3M3/D,55.2,Stabilized Rate,
~RESULTS - SUMMARY,PFSF.KPAA,14120,Stabilized Flowing Sandface Pressure,
~RESULTS - SUMMARY,PFWH.KPAA,9875,Stabilized Flowing Wellhead Pressure,
~RESULTS - SUMMARY,PAVG.KPAA,18340,Average Reservoir Pressure at MPP,
~RESULTS - SUMMARY,PAVGC.,From 72 h build-up extrapolation,Comment on Average Pressure,
~RESULTS - SUMMARY,METHC.,Calculated from wellhead by Cullender-Smith,Sandface Pressure Comment,
~RESULTS - SUMMARY,AOFSF.E3M3/D,118.6,Stabilized Sandface AOF,
~RESULTS - SUMMARY,NSF.,0.812,Inverse Slope at Sandface,
~RESULTS - SUMMARY,WPRE.KPAA,13410,Static Wellhead Pressure,
~RESULTS - SUMMARY,AOFWH.E3M3/D,97.3,Stabilized Wellhead AOF,
~RESULTS - SUMMARY,NWH.,0.778,Inverse Slope at Wellhead,
~RESULTS - SUMMARY,AOFC.,Four flow rates of 6 h each,Comment,

# the gauge serial number belongs to the transient flow test summary
~RESULTS - SUMMARY,GSER.,A5-1182,Gauge Serial Number,

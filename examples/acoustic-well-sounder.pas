#------------------------------------------------------------------
# Tarnwell example: an acoustic well sounder survey of a pumping oil
# well - its results, the sounding conditions, a table of liquid
# levels after shut-in, and a build-up analysis with two
# interpretations. The last line is kept as an error row on purpose.
#------------------------------------------------------------------
~VERSION,TYPE.,AWS,PAS file Type,
~VERSION,VERS.,3.0,PAS file version,
~VERSION,UNIT.,METRIC,Units Flag,
~WELL INFORMATION,UWI.,100/11-16-045-03W5/00,Unique Well ID,
~WELL INFORMATION,COMP.,Hollowmere Exploration Ltd.,Company Name,
~WELL INFORMATION,FORM.,Glauconitic,Formation Name,
~WELL INFORMATION,WSFL.,OIL,Well Fluid Type at Test Date,
~TEST DATA,SERCO.,TWS,Service Company Code,
~TEST DATA,TISI.DAY/HR,2025 03 11 0900,Time Well Shut-In,
~TEST DATA,AWSVAL.,Y,AWS Validation,

~RESULTS - SUMMARY,PMPP.KPAA,8412.6,Representative Bottom Hole Pressure,
~RESULTS - SUMMARY,STGR.KPA/M,8.21,Representative Pressure Gradient,
~RESULTS - SUMMARY,AWSC.,Fluid level stable after 48 h,Comment,
~RESULTS - SUMMARY,TRES.DEGC,58.0,Reservoir Temperature,
~RESULTS - SUMMARY,VALC.,Annular gas gradient checked by depression test,Validation Comment,

~HEADER DATA - ACOUSTIC,TSURM.DEGC,3.5,Mean Annual Surface Temperature,
~HEADER DATA - ACOUSTIC,DOIL.KG/M3,861.0,Oil Density,
~HEADER DATA - ACOUSTIC,SGG.,0.712,Gas Specific Gravity,
~HEADER DATA - ACOUSTIC,CASS.,CLOSED,Casing Open/Closed Indicator,
~HEADER DATA - ACOUSTIC,DPTS.,Y,Annular Depression Test Indicator,
~HEADER DATA - ACOUSTIC,METHC.,Walker method with measured casing pressure,Calculation Comment,
~HEADER DATA - ACOUSTIC,PPLV.M,1402.3,Pumping Liquid Level,

# the columns of the soundings table, then its rows
~DATA TABLE - ACOUSTIC,TCUM.HR,,Cumulative Time After Shut-In,
~DATA TABLE - ACOUSTIC,LLV.M,,Liquid Level KB (TVD),
~DATA TABLE - ACOUSTIC,PSUR.KPAA,,Surface Pressure,
~DATA TABLE - ACOUSTIC,GRGAS.KPA/M,,Gas Gradient,
~DATA TABLE - ACOUSTIC,GROIL.KPA/M,,Oil Gradient,
~DATA TABLE - ACOUSTIC,GRWTR.KPA/M,,Water Gradient,
~DATA TABLE - ACOUSTIC,PMPP.KPAA,,Calculated Pressure at MPP (TVD),
~DTAC,0.5,1398.7,412.3,0.021,8.44,9.79,6120.4,
~DTAC,6,1211.4,688.9,0.035,8.44,9.79,7403.8,
~DTAC,24,1047.2,901.6,0.046,8.44,9.79,8188.1,
~DTAC,48,1003.9,955.0,0.049,8.44,9.79,8412.6,

~ANALYSIS - GENERAL INFORMATION,ADAT.DAY,2025 03 20,Date Analysis completed,
~ANALYSIS - GENERAL INFORMATION,ANCO.,Tarnwell Well Surveys,Company conducting analysis,
~ANALYSIS - GENERAL INFORMATION,PHASE.,OIL,Dominant phase,
~ANALYSIS - GENERAL INFORMATION,PEXTR.KPAA,8655,Extrapolated pressure,
~ANALYSIS - INPUT PARAMETERS,PAY.M,4.6,Vertical height of formation,
~ANALYSIS - INPUT PARAMETERS,PORO.FRACTION,0.14,Porosity,
~ANALYSIS - INPUT PARAMETERS,RADW.MM,79.4,Wellbore radius,
# the relative density is written with its unit here; the row shows it without
~ANALYSIS - FLUID PROPERTIES,RDOIL.M3/M3,0.862,Oil relative density,
~ANALYSIS - FLUID PROPERTIES,UOIL.MPAS,3.1,Oil viscosity,
~ANALYSIS - FLUID PROPERTIES,BO.RM3/M3,1.12,Oil formation volume factor,
~ANALYSIS - INTERPRETATION (1),ANUM.,1,Analysis number,
~ANALYSIS - INTERPRETATION (1),ANTYP.,Build-up,Build-up or Fall-off Analysis,
~ANALYSIS - INTERPRETATION (1),KH.MD,38.5,Calculated flow capacity,
~ANALYSIS - INTERPRETATION (1),SKIN.,-0.8,Calculated skin factor,
~ANALYSIS - INTERPRETATION (2),ANUM.,2,Analysis number,
~ANALYSIS - INTERPRETATION (2),MODLC.,Radial composite,Model used for analysis,
~ANALYSIS - INTERPRETATION (2),SKIN.,-0.5,Calculated skin factor,

# no interpretation number: not read, kept as an error row
~ANALYSIS - INTERPRETATION,KH.MD,40.1,Calculated flow capacity,

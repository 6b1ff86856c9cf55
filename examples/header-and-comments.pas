#------------------------------------------------------------------
# Tarnwell example: the three header sections every PAS file shares,
# with comment lines, blank lines and lines the reader cannot parse.
#------------------------------------------------------------------
~VERSION,PASTYPE.,DST,PAS file Type,
~VERSION,VERS.,4.0,PAS file version,
~VERSION,UNIT.,METRIC,Units Flag,

~WELL INFORMATION,UWI.,100/06-21-047-09W5/00,Unique Well ID,
~WELL INFORMATION,COMP.,Hollowmere Exploration Ltd.,Company Name,
~WELL INFORMATION,FORM.,Cardium,Formation Name,
~WELL INFORMATION,WLIC.,0412233,EUB Well License Number,
~WELL INFORMATION,WSFL.,GAS,Well Fluid Type at Test Date,
~WELL INFORMATION,DPID.MM,114.30,Drill Pipe ID,
~WELL INFORMATION,WHDP.M,,Whipstock Depth,
~WELL INFORMATION,LINR.,N,Casing Liner Indicator,
~WELL INFORMATION,TD.M,1876.0,Total Depth (Log),

# test data: spacing and case in the mnemonic field are forgiven
~TEST DATA,SERCO.,TRN,Service Company Code,
~TEST DATA , ttopl . m ,1843.5,Interval top written loosely,
~TEST DATA,TBASL.M,1851.0,Test/Prod. Interval Base m KB (Log),
~TEST DATA,STRT.DAY/HR,2025 11 03 0815,Test Start Date/Time,
~TEST DATA,TSUR.DEGC,-4.5,Surface Temperature,
~TEST DATA,PPC.KPAA,4600,Pseudo Critical Pressure,
~TEST DATA,LABCO.,="not a formula",Laboratory or Service Company,
~TEST DATA,LFNUM.,007,Laboratory File Number,

# these cannot be read and are kept as error rows
~TEST DATA,NOSUCH.UNIT,12,A mnemonic no table knows,
~test data,RTEMP.DEGC,21.5,Section name in lower case,
~TEST DATA,RTEMP.DEGC,21.5
a line without any comma

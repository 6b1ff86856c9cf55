// The drillstem test's value sections: test summary and flow periods, mud, cushion and
// recoveries, drill string, and the pressure-transient analysis. Entries are tried in order, so
// where one mnemonic begins another (GSERU. and GSER.) the pattern's escaped dot and trailing
// comma keep them apart, not the order. Descriptions are the ones the service companies' files
// have always been shown with, misspellings included, so workbooks stay comparable.
#include "readers/drillstem_tables.h"

namespace tnw::readers {

const DrillstemTables& drillstemTables() {
  static const DrillstemTables tables{
      .testSummary =
          {
              {"GSERU.", "Gauge Serial Number Used in Summary"},
              {"GSER.", "Gauge Serial Number"},
              {"SDGAL.M", "Representative Gauge Depth M (Log)"},
              {"SDGAT.M", "Representative Gauge Depth M (TVD)"},
              {"PRGA.KPAA", "Pressure at Gauge Depth"},
              {"PEXTR.KPAA", "Representative Extrap/ False Pressure"},
              {"PRFFG.KPAA", "Final Flowing Pressure at Gauge Depth"},
              {"STGR.KPA/M", "Representative Pressure Gradient"},
              {"GRSD.KPA/M", "Representative Pressure Gradient"},
              {"TRES.DEGC", "Reservoir Temperature"},
              {"QGMX.E3M3/D", "Maximum Gas Flow Rate"},
              {"QOMX.M3/D", "Maximum Oil Flow Rate"},
              {"QWMX.M3/D", "Maximum Water Flow Rate"},
              {"TFGS.MIN", "Time For Final Gas Flow to Surface"},
              {"TFOS.MIN", "Time For Final Oil Flow to Surface"},
              {"TFWS.MIN", "Time For Final Water Flow to Surface"},
              {"GENC.", "Comment - General"},
              {"RSLTC.", "Test result quality comment"},
              {"BSW.FRACTION", "BSW fraction"},
              {"VCON.M3", "Amount of condensate produced"},
              {"H2S.FRACTION", "H2S content"},
              {"SDGA.M", "Representative stop depth"},
              {"VGAS.E3M3", "Gas flowed during test"},
              {"VOIL.M3", "Oil produced during test"},
              {"SGO.", "Oil produced during test", "SGO"},
              {"VWTR.M3", "Water produced during test"},
              {"WCF.FRACTION", "Final water cut"},
              {"DOIL.KG/M3", "Oil dendity"},
          },
      .firstFlowRates =
          {
              {"TSPF.DAY/HR", "Preflow start time"},
              {"TDPF.MIN", "Preflow duration"},
              {"QGPF.E3M3/D", "Preflow gas flow rate"},
              {"QOPF.M3/D", "Preflow oil flow rate"},
              {"QWPF.M3/D", "Preflow water flow rate"},
              {"TPGS.MIN", "Preflow time for gas to surface"},
              {"TPOS.MIN", "Preflow time for oil to surface"},
              {"TPWS.MIN", "Preflow time for water to surface"},
          },
      .secondFlowRates =
          {
              {"TS2F.DAY/HR", "Second flow start time"},
              {"TD2F.MIN", "Second flow duration"},
              {"QG2F.E3M3/D", "Second flow gas flow rate"},
              {"QO2F.M3/D", "Second flow oil flow rate"},
              {"QW2F.M3/D", "Second flow water flow rate"},
              {"TIGS.MIN", "Second flow time for gas to surface"},
              {"TIOS.MIN", "Second flow time for oil to surface"},
              {"TIWS.MIN", "Second flow time for water to surface"},
          },
      .finalFlowRates =
          {
              {"TSFF.DAY/HR", "Final flow start time"},
              {"TDFF.MIN", "Final flow duration"},
              {"QGFF.E3M3/D", "Final flow gas flow rate"},
              {"QOFF.M3/D", "Final flow oil flow rate"},
              {"QWFF.M3/D", "Final flow water flow rate"},
              {"TFGS.MIN", "Final flow time for gas to surface"},
              {"TFOS.MIN", "Final flow time for oil to surface"},
              {"TFWS.MIN", "Final flow time for water to surface"},
              {"QGMX.E3M3/D", "Maximum Gas Flow Rate"},
              {"QOMX.M3/D", "Maximum Oil Flow Rate"},
              {"QWMX.M3/D", "Maximum Water Flow Rate"},
          },
      .mudAndCushion =
          {
              {"MUTP.", "Mud/Drilling Fluid Type"},
              {"MUWT.KG/M3", "Mud Weight"},
              {"CUTP.", "Cushion Type Code"},
              {"CUGP.KPAA", "Cushion Gas Pressure"},
              {"CUIL.M", "Initial Cushion Length"},
              {"LCGR.KPA/M", "Liquid Cushion Gradient"},
          },
      .drillMudAndRecoveries =
          {
              {"MUTP.", "Mud Type"},
              {"MURS.OHM", "Mud resistivity"},
              {"MUSL.PPM", "Mud salinity"},
              {"MUWT.KG/M3", "Mud weight"},
              {"MTST.", "Multiple test recovery indicator", "MTST"},
          },
      .cushion =
          {
              {"CUIS.", "Cushion used"},
              {"CUTP.", "Cushion type"},
              {"CUTC.", "Cushion fluid type comment"},
              {"CUGP.KPAA", "Cushion gas pressure"},
              {"CUVL.M3", "Cushion volume"},
              {"CUIV.M3", "Cushion inhibitor volume"},
              {"CULN.M", "Cushion linear length"},
              {"CUIL.M", "Initial cushion length"},
              {"LCGR.KPA/M", "Liquid cushion gradient"},
              {"VNCM.M3", "Net chamber volume"},
          },
      // The volume type may be written "m or M3" in any case and spacing; the canonical line
      // upper-cases it and keeps the blanks round " OR ", which is the form matched here.
      .recoveries =
          {
              {"MTST.", "Multiple Test Recovery Indicator"},
              {"RPXX.", "Recovery Volume Type Indicator"},
              {"RPXX.M OR M3", "Recovery Volume Type Indicator"},
          },
      .recoveriesDataTable =
          {
              {"RXXA.M", "Recovery Amount (m or m3)"},
              {"RXXA.M3", "Recovery Amount (m or m3)"},
              {"RXXA.M OR M3", "Recovery Amount (m or m3)", "RXXA.M or M3"},
              {"RXXC.", "Recovery Type Code"},
              {"RXXD.", "Recoveries Description"},
              {"RXX2.M OR M3", "Recovery Amount", "RXX2.M OR M3."},
          },
      .drillString =
          {
              {"DRCL.M", "Drill Collar Length"},
              {"DCID.MM", "Drill Collar ID"},
              {"DCCP.M3/M", "Drill Collar Capacity"},
              {"DCVL.M3", "Drill Collar Volume"},
              {"LDPL.M", "Lower Drill Pipe Length"},
              {"LDID.MM", "Lower Drill Pipe ID"},
              {"LDPC.M3/M", "Lower Drill Pipe Capacity"},
              {"LDPV.M3", "Lower Drill Pipe Volume"},
              {"UDPL.M", "Upper Drill Pipe Length"},
              {"UDID.MM", "Upper Drill Pipe ID"},
              {"UDPC.M3/M", "Upper Drill Pipe Capacity"},
              {"UDPV.M3", "Upper Drill Pipe Volume"},
          },
      .firstRatesAndRecoveries =
          {
              {"VPAN.E3M3", "Total Preflow Air/N2 Volume"},
              {"LPAN.M", "Total Preflow Air/N2 Length"},
              {"PPAN.KPAA", "Total Preflow Air/N2 Pressure"},
              {"VPR.M3", "Total Preflow Recovery Volume"},
              {"PASV.M3", "Total Preflow Shut-In Air/N2 Volume"},
              {"PASL.M", "Total Preflow Shut-In Air/N2 Length"},
              {"PASP.KPAA", "Total Preflow Shut-In Air/N2 Pressure"},
              {"PFSV.M3", "Total Preflow Shut-In Recovery Volume"},
          },
      .secondFlowRatesAndRecoveries =
          {
              {"IARV.M3", "Total Initial Flow Air/N2 Volume"},
              {"IARL.M3", "Total Initial Flow Air/N2 Length"},
              {"IARP.KPAA", "Total Initial Flow Air/N2 Pressure"},
              {"IFVM.M3", "Total Initial Flow Recovery Volume"},
              {"IASV.M3", "Total Initial Shut-in Air/N2 Volume"},
              {"IASL.M", "Total Initial Shut-in Air/N2 Length"},
              {"IASP.KPAA", "Total Initial Shut-in Air/N2 Pressure"},
              {"IFSV.M3", "Total Initial Shut-in Recovery Volume"},
          },
      .finalFlowRatesAndRecoveries =
          {
              {"FGDP.KPAA/MIN", "Final Gas Surface DT/DT"},
              {"FGSW.M3/D", "Final Gas Saturated Water Rate"},
              {"FGWD.KPAA/MIN", "Final Gas Saturated Water Surface DP/DT"},
              {"FLIR.M3/D", "Final Pure Liquid Influx Rate"},
              {"FLID.KPAA/MIN", "Final Liquid Influx Surface DP/DT"},
              {"AVGR.E3M3/D", "Average Gas Flow Rate"},
              {"AVOR.M3/D", "Average Oil Flow Rate"},
              {"AVWR.M3/D", "Average Water Flow Rate"},
              {"FARV.M3", "Total Final Flow Air/N2 Volume"},
              {"FARL.M", "Total Final Flow Air/N2 Length"},
              {"FARP.KPAA", "Total Final Flow Air/N2 Pressure"},
              {"FFVM.M3", "Total Final Flow Recovery Volume"},
              {"FASV.M3", "Total Final Shutin Air/N2 Volume"},
              {"FASL.M", "Total Final Shutin Air/N2 Length"},
              {"FASP.KPAA", "Total Final Shutin Air/N2 Pressure"},
              {"FFSV.M3", "Total Final Shutin Recovery Volume"},
          },
      .analysisGeneral =
          {
              {"ADAT.DAY", "Date Analysis completed"},
              {"ANCO.", "Company conducting analysis"},
              {"ANAM.", "Analyst's name"},
              {"PHASE.", "Dominant phase used in analysis"},
              {"GENC.", "General comment"},
              {"PEXTR.KPAA", "Representative extrapolated/false pressure"},
          },
      .analysisInput =
          {
              {"SATW.FRACTION", "Assumed water saturation"},
              {"SATG.FRACTION", "Assumed gas saturation"},
              {"SATO.FRACTION", "Assumed oil saturation"},
              {"HZFL.M", "Horizontal well length in formation"},
              {"PAY.M", "Vertical height of formation"},
              {"PORO.FRACTION", "Assumed porosity fraction"},
              {"RADW.MM", "Wellbore radius"},
              {"GEOC.", "Geological comments"},
          },
      // Relative densities are unitless; files that give them as M3/M3 are shown as the
      // unitless mnemonic so both kinds of file read alike.
      .analysisFluid =
          {
              {"PPVT.KPAA", "PVT reference pressure"},
              {"RDOIL.", "Oil relative density"},
              {"RDGAS.", "Gas relative density"},
              {"RDWTR.", "Water relative density"},
              {"RDOIL.M3/M3", "Oil relative density", "RDOIL."},
              {"RDGAS.M3/M3", "Gas relative density", "RDGAS."},
              {"RDWTR.M3/M3", "Water relative density", "RDWTR."},
              {"CT.KPA-1", "Total compressibility"},
              {"CT.1/KPA", "Total compressibility"},
              {"UOIL.MPAS", "Oil viscosity"},
              {"UGAS.MPAS", "Gas viscosity"},
              {"Z.", "Gas deviation factor"},
              {"BO.RM3/M3", "Oil formation volume factor"},
              {"PBP.KPAA", "Oil bubble point pressure"},
              {"RS.M3/M3", "Oil Solution"},
          },
      .analysisInterpretation =
          {
              {"ANUM.", "Analysis number"},
              {"TFLO.MIN", "Time period before buildup"},
              {"PWF.KPAA", "Sandface flowing pressure at shutin"},
              {"QOIL.M3/D", "Oil flow rate prior to shutin"},
              {"QWTR.M3/D", "Water flow rate prior to shutin"},
              {"QGAS.E3M3/D", "Gas flow rate prior to shutin"},
              {"TEVN.MIN", "Duration of buildup"},
              {"GSER.", "Gauge serial number"},
              {"MODLC.", "Model used for analysis"},
              {"PHASC.", "Single/multi phase comment"},
              {"KH.MD", "Calculated flow capacity"},
              {"KHC.", "Comment on KH"},
              {"STORC.M3/KPA", "Wellbore storage constant"},
              {"SKIN.", "Calculated skin factor"},
              {"SKINC.", "Comment on turbulence"},
              {"LMP.KPAA", "Last measured pressure at MPP (TVD)"},
              {"LMPC.", "Source of Last measured pressure"},
              {"PEXTR.KPAA", "Extrapolated/false pressure at MPP (TVD)"},
              {"HTIM.MIN", "Horner producing time"},
          },
  };
  return tables;
}

}  // namespace tnw::readers

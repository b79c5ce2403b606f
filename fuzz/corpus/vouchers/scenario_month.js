[
{type:'1',aId:'70001',actId:'',saId:'',sfId0:'',sfId1:'',cxId:'',cjId:'',rK:'',cjTicket:'',
 list:[{t:'M4A1-黑骑士(7天) 30月券',fId:'470011'}]},
{type:'2',aId:'70002',actId:'1001',saId:'210',sfId0:'',sfId1:'',cxId:'470020',cjId:'470029',rK:'data.ticket',cjTicket:'20',
 list:[{t:'AK47-火麒麟(7天) 60聚豆',fId:'470021'},{t:'M4A1-雷神(7天) 50聚豆',fId:'470022'},{t:'巴雷特-极光(永久) 800聚豆',fId:'470023'}]},
{type:'3',aId:'70003',actId:'',saId:'105001',sfId0:'470031',sfId1:'470032',cxId:'',cjId:'470039',rK:'data.score',cjTicket:'10',
 list:[{t:'沙漠之鹰-黄金(3天) 30帮豆',fId:'470033'},{t:'AWM-天龙(7天) 300帮豆',fId:'470034'}]}
]
